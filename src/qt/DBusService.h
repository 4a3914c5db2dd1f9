#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QString>
#include <functional>

namespace tarn::gui {

// One interface of a desktop service, at the object path it serves it on.
struct DBusService {
    const char* service;
    const char* path;
    const char* interface;

    QDBusMessage Call(const char* method) const {
        return CallAt(QString::fromLatin1(path), method);
    }
    // The same interface on another object of the service (a request it made, say).
    QDBusMessage CallAt(const QString& object, const char* method) const {
        return QDBusMessage::createMethodCall(QString::fromLatin1(service), object,
                                              QString::fromLatin1(interface),
                                              QString::fromLatin1(method));
    }
    // Delivers the service's `signal` to `slot`; an empty `object` takes it from any object.
    void Connect(QDBusConnection& bus, const QString& object, const char* signal, QObject* receiver,
                 const char* slot) const {
        bus.connect(QString::fromLatin1(service), object, QString::fromLatin1(interface),
                    QString::fromLatin1(signal), receiver, slot);
    }
};

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
