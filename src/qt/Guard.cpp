#include "qt/Guard.h"

#include <QtGlobal>
#include <utility>

namespace tarn::gui {

namespace {

std::function<void(const std::exception&)>& ErrorHandler() {
    static std::function<void(const std::exception&)> handler;
    return handler;
}

} // namespace

void SetErrorHandler(std::function<void(const std::exception&)> handler) {
    ErrorHandler() = std::move(handler);
}

void RunGuarded(const std::function<void()>& call) {
    static bool handling = false;
    try {
        call();
    } catch (const std::exception& error) {
        if (handling || !ErrorHandler()) {
            qFatal("Unexpected error: %s", error.what());
        }
        handling = true;
        try {
            ErrorHandler()(error);
        } catch (const std::exception& again) {
            qFatal("Unexpected error while ending after another: %s", again.what());
        }
        handling = false;
    }
}

} // namespace tarn::gui
