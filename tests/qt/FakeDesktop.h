#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <poll.h>
#include <set>
#include <unistd.h>

namespace tarn::gui::testing {

// A bus with a stand-in desktop recording what reaches the portal, logind, notifications, a dock.
class FakeDesktop : public QDBusVirtualObject {
    Q_OBJECT

public:
    FakeDesktop() {
        daemon_.start("dbus-daemon",
                      {"--nofork", "--print-address=1",
                       "--config-file=" TARN_SOURCE_DIR "/tests/qt/stand-in-bus.conf"});
        daemon_.waitForReadyRead(); // The address comes in one write.
        address = QString::fromUtf8(daemon_.readLine()).trimmed();
        bus = QDBusConnection::connectToBus(address, "desktop");
        bus.registerVirtualObject("/", this, QDBusConnection::SubPath);
        bus.registerService("org.freedesktop.login1");
        bus.registerService("org.freedesktop.Notifications");
        bus.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this,
                    SLOT(Update(QString, QVariantMap)));
    }

    enum Portal { Absent, Grants, Refuses, Silent };
    void Reset(Portal answer) {
        calls.clear();
        progress.clear();
        portal_ = answer;
        answer != Absent ? bus.registerService(kPortal) : bus.unregisterService(kPortal);
    }
    // A descriptor that logind gave is open somewhere still.
    bool LogindHolding() const {
        return std::any_of(logindHolds_.begin(), logindHolds_.end(), [](const auto& hold) {
            pollfd hangUp{hold.fileDescriptor(), 0, 0};
            return ::poll(&hangUp, 1, 0) == 0;
        });
    }
    bool Holding() const { return LogindHolding() || !portalRequests.empty(); }
    // The bus, for the program's connections, and the stand-in's own connection.
    QString address;
    QDBusConnection bus{QString()};
    std::vector<std::string> calls; // Each call, its arguments as text.
    // Each Update: the percentage shown, -1 for hidden, -2 for another program's entry.
    std::vector<long> progress;
    // The portal's requests not yet closed: each an inhibition, even one never answered.
    std::set<QString> portalRequests;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QStringList texts;
        for (QVariant arg : message.arguments()) { // A map by its values, in the order of keys.
            arg = arg.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(arg).values() : arg;
            texts << (arg.canConvert<QStringList>() ? arg.toStringList().join(' ')
                                                    : arg.toString());
        }
        calls.push_back((message.member() + ' ' + texts.join(" | ")).trimmed().toStdString());
        QDBusMessage reply = message.createReply();
        if (message.interface() == "org.freedesktop.portal.Inhibit") {
            return AnswerPortal(message, connection);
        }
        if (message.interface() == "org.freedesktop.portal.Request") {
            portalRequests.erase(message.path());
        } else if (message.member() == "Notify") {
            reply << 7U;
        } else if (int ends[2]; message.member() == "Inhibit" && ::pipe(ends) == 0) {
            // Its read end hangs up once every copy of the write end has been closed.
            reply << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
            logindHolds_.emplace_back().giveFileDescriptor(ends[0]);
            ::close(ends[1]);
        }
        return connection.send(reply);
    }

private:
    Q_SLOT void Update(const QString& app, const QVariantMap& properties) {
        progress.push_back(app != "application://org.example.tarn.tarnme.desktop" ? -2
                           : properties.value("progress-visible").toBool()
                               ? std::lround(properties.value("progress").toDouble() * 100)
                               : -1);
    }

    // The request is where the token names it; a refusal follows the answer.
    bool AnswerPortal(const QDBusMessage& message, const QDBusConnection& connection) {
        const QString request =
            "/org/freedesktop/portal/desktop/request/" +
            message.service().mid(1).replace('.', '_') + "/" +
            qdbus_cast<QVariantMap>(message.arguments().value(2))["handle_token"].toString();
        if (portal_ != Refuses) {
            portalRequests.insert(request);
        }
        return portal_ == Silent ||
               (connection.send(message.createReply()
                                << QVariant::fromValue(QDBusObjectPath(request))) &&
                (portal_ != Refuses ||
                 connection.send(
                     QDBusMessage::createTargetedSignal(
                         message.service(), request, "org.freedesktop.portal.Request", "Response")
                     << 2U << QVariantMap())));
    }

    Portal portal_ = Absent;
    static constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
    QProcess daemon_;
    std::vector<QDBusUnixFileDescriptor> logindHolds_;
};

} // namespace tarn::gui::testing
