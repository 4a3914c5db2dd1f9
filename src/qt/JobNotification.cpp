#include "qt/JobNotification.h"

#include "qt/DBusService.h"
#include "qt/MainWindow.h"
#include "shell/AppInfo.h"

#include <QDBusMessage>
#include <QEvent>
#include <QVariantMap>
#include <utility>

namespace tarn::gui {

namespace {

constexpr DBusService kNotifications{"org.freedesktop.Notifications",
                                     "/org/freedesktop/Notifications",
                                     "org.freedesktop.Notifications"};

QString DefaultAction() {
    return QStringLiteral("default");
}

QString Body(int mp3Files, bool troubles) {
    QString body = mp3Files == 1 ? QStringLiteral("1 MP3 file written.")
                                 : QStringLiteral("%1 MP3 files written.").arg(mp3Files);
    if (troubles) {
        body += QStringLiteral(" A file could not be encoded, or could not be given its name "
                               "back: the window says which.");
    }
    return body;
}

} // namespace

JobNotification::JobNotification(QDBusConnection session, MainWindow* window)
    : QObject(window), session_(std::move(session)), window_(window) {
    const QString path = QString::fromLatin1(kNotifications.path);
    kNotifications.Connect(session_, path, "ActionInvoked", this,
                           SLOT(ActionInvoked(uint, QString)));
    kNotifications.Connect(session_, path, "ActivationToken", this,
                           SLOT(ActivationToken(uint, QString)));
    window->installEventFilter(this);
}

void JobNotification::Send(int mp3Files, bool troubles) {
    QDBusMessage notify = kNotifications.Call("Notify");
    notify << QString::fromLatin1(kAppTitle) << shown_ << QStringLiteral("tarnme")
           << QStringLiteral("Job done!") << Body(mp3Files, troubles)
           << QStringList{DefaultAction(), QStringLiteral("Show the window")}
           // The sound theme's "complete" stands in for the beep, which Wayland does not have.
           << QVariantMap{{QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopId)},
                          {QStringLiteral("sound-name"), QStringLiteral("complete")}}
           << -1;
    OnReply(session_.asyncCall(notify), this, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            shown_ = reply.arguments().value(0).toUInt();
        }
    });
}

bool JobNotification::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && shown_ != 0) {
        session_.asyncCall(kNotifications.Call("CloseNotification") << shown_);
        shown_ = 0;
    }
    return QObject::eventFilter(watched, event);
}

void JobNotification::ActionInvoked(uint id, const QString& action) {
    const QByteArray token = std::exchange(activationToken_, {});
    if (id != shown_ || action != DefaultAction() || !window_) {
        return;
    }
    // Newer versions of Qt's Wayland plugin hand the token to the compositor with this
    // activation; Debian 12's (Qt 6.4) asks without one, which a compositor may turn down. Set
    // for this activation only, so that no program started later inherits it.
    if (!token.isEmpty()) {
        qputenv("XDG_ACTIVATION_TOKEN", token);
    }
    window_->BringToFront();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void JobNotification::ActivationToken(uint id, const QString& token) {
    if (id == shown_) {
        activationToken_ = token.toUtf8();
    }
}

} // namespace tarn::gui
