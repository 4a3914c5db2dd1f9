#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

namespace tarn::gui {

// Keeps the computer from suspending or going idle while it is held: through the desktop
// portal, or where there is none through logind. Every call is asynchronous, and without either
// service nothing happens. A process that dies lets go by itself: the portal drops the requests
// of a closed connection, and logind's hold is a file descriptor.
class SleepInhibitor : public QObject {
public:
    SleepInhibitor(QDBusConnection session, QDBusConnection system, QObject* parent);

    // `parentWindow` ties the hold to a window, as the portal names windows ("x11:<id>"), or
    // is empty.
    void Hold(const QString& parentWindow);
    void Release();

private:
    void AskPortal();
    void AskLogind();
    // An answer that comes after Release is let go at once.
    void Settle();

    QDBusConnection session_;
    QDBusConnection system_;
    bool wanted_ = false;
    bool asking_ = false;
    QString parentWindow_;
    QString portalRequest_;
    QDBusUnixFileDescriptor logindHold_;
};

} // namespace tarn::gui
