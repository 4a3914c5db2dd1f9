#pragma once

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <functional>

namespace tarn::gui {

// Calls `handle` with the reply, or the error, of an asynchronous call once it has come, unless
// `context` is gone by then.
inline void OnReply(const QDBusPendingCall& call, QObject* context,
                    std::function<void(const QDBusMessage&)> handle) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, handle = std::move(handle)] {
                         // The reply may hold a file descriptor: it goes with the watcher.
                         watcher->deleteLater();
                         handle(watcher->reply());
                     });
}

} // namespace tarn::gui
