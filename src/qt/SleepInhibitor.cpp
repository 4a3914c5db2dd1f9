#include "qt/SleepInhibitor.h"

#include "qt/DBusReply.h"
#include "shell/AppInfo.h"

#include <QDBusObjectPath>
#include <QVariantMap>

namespace tarn::gui {

namespace {

QString Portal() {
    return QStringLiteral("org.freedesktop.portal.Desktop");
}

QString Reason() {
    return QStringLiteral("Encoding WAV files to MP3");
}

// The portal's flags for suspend (4) and idle (8).
constexpr uint kSuspendAndIdle = 4 | 8;
// A portal that does not answer by then is taken to be missing, and logind is asked instead.
constexpr int kPortalPatienceMs = 5000;

} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection session, QDBusConnection system, QObject* parent)
    : QObject(parent), session_(std::move(session)), system_(std::move(system)) {}

void SleepInhibitor::Hold(const QString& parentWindow) {
    wanted_ = true;
    parentWindow_ = parentWindow;
    if (!asking_ && portalRequest_.isEmpty() && !logindHold_.isValid()) {
        AskPortal();
    }
}

void SleepInhibitor::Release() {
    wanted_ = false;
    if (!portalRequest_.isEmpty()) {
        session_.asyncCall(QDBusMessage::createMethodCall(
            Portal(), portalRequest_, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Close")));
        portalRequest_.clear();
    }
    logindHold_ = QDBusUnixFileDescriptor();
}

void SleepInhibitor::AskPortal() {
    asking_ = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        Portal(), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << parentWindow_ << kSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), Reason()}};
    OnReply(session_.asyncCall(call, kPortalPatienceMs), this, [this](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            AskLogind();
            return;
        }
        asking_ = false;
        portalRequest_ = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
        Settle();
    });
}

void SleepInhibitor::AskLogind() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QString::fromLatin1(kAppTitle) << Reason()
         << QStringLiteral("block");
    OnReply(system_.asyncCall(call), this, [this](const QDBusMessage& reply) {
        asking_ = false;
        logindHold_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
        Settle();
    });
}

void SleepInhibitor::Settle() {
    if (!wanted_) {
        Release();
    }
}

} // namespace tarn::gui
