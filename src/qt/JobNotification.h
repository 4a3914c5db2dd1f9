#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QPointer>

namespace tarn::gui {

class MainWindow;

// Tells the desktop's notification service that a job has ended; clicking the notification
// brings the window to the front. Without the service nothing is shown.
class JobNotification : public QObject {
    Q_OBJECT

public:
    JobNotification(QDBusConnection session, MainWindow* window);

    void Send(int mp3Files, bool troubles);

protected:
    // Once the user is back at the window, the notification has said what it had to: withdrawn.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Q_SLOT void ActionInvoked(uint id, const QString& action);
    // Sent before the action: lets a Wayland window take the focus that the click gave. Kept
    // for that action.
    Q_SLOT void ActivationToken(uint id, const QString& token);

    QDBusConnection session_;
    QPointer<MainWindow> window_;
    // The notification on screen, which the next one replaces; 0 for none.
    uint shown_ = 0;
    QByteArray activationToken_;
};

} // namespace tarn::gui
