#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <chrono>

namespace tarn::gui {

// Keeps the computer from suspending or going idle while it is held: through the desktop
// portal, or where there is none, or it refuses, through logind. Every call is asynchronous,
// and without either service nothing happens. A process that dies lets go by itself: the portal
// drops the requests of a closed connection, and logind's hold is a file descriptor.
class SleepInhibitor : public QObject {
    Q_OBJECT

public:
    // A portal that does not answer within `portalPatience` is taken to be missing.
    SleepInhibitor(QDBusConnection session, QDBusConnection system, QObject* parent,
                   std::chrono::milliseconds portalPatience = std::chrono::seconds(5));

    // `parentWindow` ties the hold to a window, as the portal names windows ("x11:<id>"), or
    // is empty.
    void Hold(const QString& parentWindow);
    void Release();

private:
    // The portal answers a request only when it could not do what was asked.
    Q_SLOT void PortalResponse(uint response, const QVariantMap& results,
                               const QDBusMessage& message);
    void AskPortal();
    void AskLogind();
    // An answer that comes after Release is let go at once.
    void Settle();

    QDBusConnection session_;
    QDBusConnection system_;
    const std::chrono::milliseconds portalPatience_;
    bool wanted_ = false;
    bool asking_ = false;
    int requests_ = 0;
    QString parentWindow_;
    QString portalRequest_;
    QDBusUnixFileDescriptor logindHold_;
};

} // namespace tarn::gui
