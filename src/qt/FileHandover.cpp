#include "qt/FileHandover.h"

#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "shell/AppInfo.h"
#include "shell/frmMain.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>

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
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(files.size()));
    for (const QByteArray& file : files) {
        paths.push_back(file.toStdString());
    }
    // The answer goes out first: the adds may show message boxes, which the start that handed
    // the files over does not wait for.
    QTimer::singleShot(0, this, [this, paths = std::move(paths), activationToken] {
        // Qt's Wayland plugin hands the token to the compositor with the next activation.
        if (!activationToken.isEmpty() &&
            QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
        }
        window_.BringToFront();
        RunGuarded([this, &paths] { form_.AddChosenFiles(paths); });
    });
}

} // namespace tarn::gui
