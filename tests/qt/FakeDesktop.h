#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <cmath>
#include <poll.h>
#include <unistd.h>

namespace tarn::gui::testing {

// A bus of its own with a stand-in desktop that records what reaches it: the portal's Inhibit
// (when asked for), logind's, the notification server, a dock hearing the launcher's Update.
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
    ~FakeDesktop() override { daemon_.kill(); }

    // Forgets what it heard; the portal is there or not.
    void Reset(bool portal) {
        calls.clear();
        progress.clear();
        portalRequests_ = 0;
        logindHolds_.clear();
        portal ? bus.registerService(kPortal) : bus.unregisterService(kPortal);
    }
    // A portal request is open, or a descriptor that logind gave has not been closed.
    bool Holding() const {
        bool held = portalRequests_ > 0;
        for (const QDBusUnixFileDescriptor& hold : logindHolds_) {
            pollfd hangUp{hold.fileDescriptor(), 0, 0};
            held = held || ::poll(&hangUp, 1, 0) == 0;
        }
        return held;
    }
    // The bus, for the program's connections, and the stand-in's own connection.
    QString address;
    QDBusConnection bus{QString()};
    std::vector<std::string> calls; // Each call, its arguments as text.
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
        } else if (int ends[2]; message.member() == "Inhibit" && ::pipe(ends) == 0) {
            // Its read end hangs up once every copy of the write end has been closed.
            reply << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
            logindHolds_.emplace_back(ends[0]);
            ::close(ends[0]);
            ::close(ends[1]);
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
    QProcess daemon_;
    int portalRequests_ = 0;
    std::vector<QDBusUnixFileDescriptor> logindHolds_;
};

} // namespace tarn::gui::testing
