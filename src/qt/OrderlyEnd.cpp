#include "qt/OrderlyEnd.h"

#include "platform/SyncThread.h"
#include "qt/Guard.h"
#include "qt/ShutdownSignals.h"
#include "shell/frmMain.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>
#include <functional>
#include <memory>

namespace tarn::gui {

namespace {

constexpr int kRetryMs = 50;

// Outside a job, a step that waits for the disk is changing the files an end would put in order:
// the end comes once it is done.
bool StepUnderWay(const frmMain& form) {
    const platform::SyncThread* syncs = platform::CurrentSyncThread();
    return syncs != nullptr && syncs->Waiting() && !form.JobActive();
}

} // namespace

void EndInOrderOnRequest(frmMain& form, ShutdownSignals& requests, QObject* context) {
    const auto endNow = [&form] {
        RunGuarded([&form] {
            if (form.Loaded()) {
                form.Shutdown();
            }
        });
    };
    const auto endInOrder = std::make_shared<std::function<void()>>();
    *endInOrder = [&form, context, endNow, later = std::weak_ptr(endInOrder)] {
        if (!StepUnderWay(form)) {
            endNow();
            return;
        }
        QTimer::singleShot(kRetryMs, context, [later] {
            if (const auto again = later.lock()) {
                (*again)();
            }
        });
    };
    QObject::connect(&requests, &ShutdownSignals::Received, context,
                     [endInOrder] { (*endInOrder)(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, context,
                         [endInOrder](QSessionManager&) { (*endInOrder)(); });
        // The event loop has ended: nothing waits any more.
        QObject::connect(app, &QCoreApplication::aboutToQuit, context, endNow);
    }
}

} // namespace tarn::gui
