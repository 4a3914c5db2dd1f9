#include "qt/SleepInhibitor.h"

#include "qt/DBusService.h"
#include "shell/AppInfo.h"

#include <QDBusObjectPath>

namespace tarn::gui {

namespace {

constexpr DBusService kPortal{"org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                              "org.freedesktop.portal.Inhibit"};
constexpr DBusService kPortalRequests{"org.freedesktop.portal.Desktop", "",
                                      "org.freedesktop.portal.Request"};
constexpr DBusService kLogind{"org.freedesktop.login1", "/org/freedesktop/login1",
                              "org.freedesktop.login1.Manager"};

QString Reason() {
    return QStringLiteral("Encoding WAV files to MP3");
}

// The portal's flags for suspend (4) and idle (8).
constexpr uint kSuspendAndIdle = 4 | 8;

// Where the portal puts the request that `token` names for the connection `sender`
// (":1.42"), known before the portal answers.
QString RequestPath(QString sender, const QString& token) {
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
        .arg(sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_')), token);
}

} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection session, QDBusConnection system, QObject* parent,
                               std::chrono::milliseconds portalPatience)
    : QObject(parent), session_(std::move(session)), system_(std::move(system)),
      portalPatience_(portalPatience) {
    kPortalRequests.Connect(session_, QString(), "Response", this,
                            SLOT(PortalResponse(uint, QVariantMap, QDBusMessage)));
}

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
        session_.asyncCall(kPortalRequests.CallAt(portalRequest_, "Close"));
        portalRequest_.clear();
    }
    logindHold_ = QDBusUnixFileDescriptor();
}

void SleepInhibitor::AskPortal() {
    asking_ = true;
    // The request's own name, so that a portal that answers too late can still be told to let go.
    const QString token = QStringLiteral("tarnme%1").arg(++requests_);
    const QString request = RequestPath(session_.baseService(), token);
    QDBusMessage call = kPortal.Call("Inhibit");
    call << parentWindow_ << kSuspendAndIdle
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("reason"), Reason()}};
    OnReply(session_.asyncCall(call, static_cast<int>(portalPatience_.count())), this,
            [this, request](const QDBusMessage& reply) {
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    // Messages to the portal are taken in order: the close comes after the
                    // request, however late that is.
                    session_.asyncCall(kPortalRequests.CallAt(request, "Close"));
                    AskLogind();
                    return;
                }
                asking_ = false;
                portalRequest_ = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
                Settle();
            });
}

void SleepInhibitor::PortalResponse(uint response, const QVariantMap& /*results*/,
                                    const QDBusMessage& message) {
    if (response == 0 || portalRequest_.isEmpty() || message.path() != portalRequest_) {
        return;
    }
    // Refused: the request is gone, and logind is asked instead.
    portalRequest_.clear();
    if (wanted_ && !asking_) {
        AskLogind();
    }
}

void SleepInhibitor::AskLogind() {
    asking_ = true;
    QDBusMessage call = kLogind.Call("Inhibit");
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
