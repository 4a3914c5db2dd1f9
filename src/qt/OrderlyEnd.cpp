#include "qt/OrderlyEnd.h"

#include "platform/SyncThread.h"
#include "qt/Guard.h"
#include "qt/ShutdownSignals.h"
#include "shell/frmMain.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

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
    auto* retry = new QTimer(context);
    retry->setSingleShot(true);
    retry->setInterval(kRetryMs);
    const auto endInOrder = [&form, retry, endNow] {
        if (StepUnderWay(form)) {
            retry->start();
        } else {
            endNow();
        }
    };
    QObject::connect(retry, &QTimer::timeout, context, endInOrder);
    QObject::connect(&requests, &ShutdownSignals::Received, context, endInOrder);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, context,
                         [endInOrder](QSessionManager&) { endInOrder(); });
        // The event loop has ended: nothing waits any more.
        QObject::connect(app, &QCoreApplication::aboutToQuit, context, endNow);
    }
}

} // namespace tarn::gui
