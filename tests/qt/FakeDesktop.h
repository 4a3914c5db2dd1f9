#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <cmath>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarn::gui::testing {

// A bus of its own in `folder`, and on it a stand-in for the desktop: the portal's Inhibit (when
// asked for), logind's, the notification server, and a dock that hears the launcher's Update.
// It records what reaches it.
class FakeDesktop : public QDBusVirtualObject {
    Q_OBJECT

public:
    explicit FakeDesktop(const QString& folder) {
        QFile config(folder + "/bus.conf");
        config.open(QIODevice::WriteOnly) &&
            config.write("<busconfig><type>session</type><listen>unix:dir=" + folder.toUtf8() +
                         "</listen><policy context='default'><allow send_destination='*'/><allow "
                         "receive_sender='*'/><allow own='*'/></policy></busconfig>");
        config.close();
        daemon_.start("dbus-daemon",
                      {"--nofork", "--print-address=1", "--config-file=" + folder + "/bus.conf"});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead()) {
        }
        address = QString::fromUtf8(daemon_.readLine()).trimmed();
        bus_ = QDBusConnection::connectToBus(address, "desktop");
        bus_.registerVirtualObject("/", this, QDBusConnection::SubPath);
        bus_.registerService("org.freedesktop.login1");
        bus_.registerService(kNotifications);
        bus_.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this,
                     SLOT(Update(QString, QVariantMap)));
    }
    ~FakeDesktop() override { daemon_.kill(); }

    // Forgets what it heard; the portal is there or not.
    void Reset(bool portal) {
        calls.clear();
        progress.clear();
        portalRequests_ = 0;
        for (const int fd : logindHolds_) {
            ::close(fd);
        }
        logindHolds_.clear();
        portal ? bus_.registerService(kPortal) : bus_.unregisterService(kPortal);
    }
    // A portal request is open, or a descriptor that logind gave has not been closed.
    bool Holding() const {
        bool held = portalRequests_ > 0;
        for (const int fd : logindHolds_) {
            pollfd hangUp{fd, 0, 0};
            held = held || ::poll(&hangUp, 1, 0) == 0;
        }
        return held;
    }
    // The user clicks notification `id`.
    void Click(uint id) {
        bus_.send(QDBusMessage::createSignal("/org/freedesktop/Notifications", kNotifications,
                                             "ActionInvoked")
                  << id << QString("default"));
    }

    // The bus, for the program's connections.
    QString address;
    // Each call's arguments, as text.
    std::vector<std::string> calls;
    // Each Update of the program's entry: the percentage shown, or -1 for hidden.
    std::vector<long> progress;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QStringList texts;
        for (const QVariant& arg : message.arguments()) {
            texts << (arg.canConvert<QDBusArgument>()
                          ? qdbus_cast<QVariantMap>(arg).value("reason").toString()
                      : arg.userType() == QMetaType::QStringList ? arg.toStringList().join(' ')
                                                                 : arg.toString());
        }
        calls.push_back((message.member() + ' ' + texts.join(" | ")).trimmed().toStdString());
        QDBusMessage reply = message.createReply();
        if (message.interface() == "org.freedesktop.portal.Inhibit") {
            reply << QVariant::fromValue(
                QDBusObjectPath("/request" + QString::number(++portalRequests_)));
        } else if (message.member() == "Close") {
            --portalRequests_;
        } else if (message.member() == "Notify") {
            reply << 7U;
        } else if (int ends[2]; ::pipe(ends) == 0) {
            reply << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
            ::close(ends[1]);
            logindHolds_.push_back(ends[0]);
        }
        return connection.send(reply);
    }

private slots:
    void Update(const QString& app, const QVariantMap& properties) {
        const bool ours = app == "application://org.example.tarn.tarnme.desktop";
        progress.push_back(!ours ? -2
                           : properties.value("progress-visible").toBool()
                               ? std::lround(properties.value("progress").toDouble() * 100)
                               : -1);
    }

private:
    inline static const QString kPortal = "org.freedesktop.portal.Desktop";
    inline static const QString kNotifications = "org.freedesktop.Notifications";
    QProcess daemon_;
    QDBusConnection bus_{QString()};
    int portalRequests_ = 0;
    std::vector<int> logindHolds_;
};

} // namespace tarn::gui::testing
