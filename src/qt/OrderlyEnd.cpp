#include "qt/OrderlyEnd.h"

#include "qt/Guard.h"
#include "qt/ShutdownSignals.h"
#include "shell/frmMain.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tarn::gui {

void EndInOrderOnRequest(frmMain& form, ShutdownSignals& requests, QObject* context) {
    // A change under way (names given back while the window waits for the disk, say) is done
    // first: the end waits its turn.
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
        // The event loop has ended: nothing waits any more.
        QObject::connect(app, &QCoreApplication::aboutToQuit, context, endInOrder);
    }
}

} // namespace tarn::gui
