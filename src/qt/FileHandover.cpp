#include "qt/FileHandover.h"

#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "shell/AppInfo.h"
#include "shell/frmMain.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace tarn::gui {

namespace {

// How long a second start waits for the running instance.
constexpr int kPatienceMs = 5000;
// Between attempts to reach an instance that is not yet on the bus.
constexpr int kRetryMs = 100;

QString Interface() {
    return QStringLiteral("org.example.tarn.tarnme.Files");
}

QString ObjectPath() {
    return QStringLiteral("/");
}

void RegisterPathListType() {
    qDBusRegisterMetaType<QList<QByteArray>>();
}

// The bus answers for the name itself while nobody owns it.
bool NobodyThereYet(const QDBusMessage& reply) {
    return reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

bool CallRunningInstance(const QDBusConnection& bus, const std::vector<std::string>& files,
                         const QString& activationToken) {
    QList<QByteArray> paths;
    for (const std::string& file : files) {
        paths.append(QByteArray::fromStdString(file));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kDesktopId), ObjectPath(), Interface(), QStringLiteral("AddFiles"));
    call << QVariant::fromValue(paths) << activationToken;
    call.setAutoStartService(false);
    const QDeadlineTimer deadline(kPatienceMs);
    for (;;) {
        const auto left = static_cast<int>(deadline.remainingTime());
        const QDBusMessage reply = bus.call(call, QDBus::Block, std::max(left, 1));
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return true;
        }
        if (!NobodyThereYet(reply) || deadline.remainingTime() < kRetryMs) {
            return false;
        }
        QThread::msleep(kRetryMs);
    }
}

} // namespace

QString DesktopActivationToken() {
    QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return token.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : token;
}

bool HandFilesOver(const std::vector<std::string>& files, const QString& activationToken) {
    // A path left relative (the start's folder could not be read) would name a file in the
    // running instance's folder instead.
    if (std::ranges::any_of(files,
                            [](const std::string& file) { return !file.starts_with('/'); })) {
        return false;
    }
    RegisterPathListType();
    const QString name = QStringLiteral("tarnme-hand-over");
    bool taken = false;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        taken = bus.isConnected() && CallRunningInstance(bus, files, activationToken);
    }
    // Off the bus at once: the running instance takes nothing from a start that stopped waiting.
    QDBusConnection::disconnectFromBus(name);
    return taken;
}

HandedOverFiles::HandedOverFiles(frmMain& form, MainWindow& window, QDBusConnection bus)
    : QObject(&window), form_(form), window_(window) {
    RegisterPathListType();
    // Exported first, so that a start that finds the name finds the method too.
    if (bus.registerObject(ObjectPath(), this, QDBusConnection::ExportAllSlots)) {
        bus.registerService(QString::fromLatin1(kDesktopId));
    }
}

void HandedOverFiles::AddFiles(const QList<QByteArray>& files, const QString& activationToken) {
    // A start that gave up waiting for the answer has said that its files were not taken.
    if (!connection().interface()->isServiceRegistered(message().service())) {
        return;
    }
    for (const QByteArray& file : files) {
        pending_.push_back(file.toStdString());
    }
    if (!activationToken.isEmpty()) {
        token_ = activationToken.toUtf8();
    }
    // The answer goes out first: the adds may show message boxes, which the start that handed
    // the files over does not wait for. Files handed over meanwhile join the same batch, which
    // brings the window to the front once.
    if (batchDue_) {
        return;
    }
    batchDue_ = true;
    QTimer::singleShot(0, this, [this] {
        batchDue_ = false;
        const std::vector<std::string> paths = std::exchange(pending_, {});
        // Qt's Wayland plugin hands the token to the compositor with the next activation. Set
        // for this one only, so that no program started later (the help reader) inherits it.
        if (const QByteArray token = std::exchange(token_, {}); !token.isEmpty()) {
            qputenv("XDG_ACTIVATION_TOKEN", token);
        }
        window_.BringToFront();
        qunsetenv("XDG_ACTIVATION_TOKEN");
        RunGuarded([this, &paths] { form_.AddChosenFiles(paths); });
    });
}

} // namespace tarn::gui
