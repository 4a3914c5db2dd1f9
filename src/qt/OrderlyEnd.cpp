#include "qt/OrderlyEnd.h"

#include "qt/Guard.h"
#include "qt/ShutdownSignals.h"
#include "shell/frmMain.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tarn::gui {

void EndInOrderOnRequest(frmMain& form, ShutdownSignals& requests, QObject* context) {
    const auto endInOrder = [&form] {
        RunGuarded([&form] {
            if (form.Loaded()) {
                form.Shutdown();
            }
        });
    };
    QObject::connect(&requests, &ShutdownSignals::Received, context, endInOrder);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, context,
                         [endInOrder](QSessionManager&) { endInOrder(); });
        QObject::connect(app, &QCoreApplication::aboutToQuit, context, endInOrder);
    }
}

} // namespace tarn::gui
