#pragma once

#include "qt/SleepInhibitor.h"
#include "qt/TaskbarProgress.h"
#include "shell/frmMain.h"

#include <QDBusConnection>
#include <QObject>
#include <vector>

namespace tarn::gui {

class JobNotification;
class MainWindow;

// The desktop around a job, over D-Bus: from Go to the end of the job the computer is kept
// awake and the job bar's percentage shows on the task-bar entry; a job that runs to its end
// is announced by a notification when the window is not the active one. Belongs to the window.
class DesktopCompanion : public QObject {
public:
    DesktopCompanion(frmMain& form, MainWindow& window, const QDBusConnection& session,
                     const QDBusConnection& system);
    // A window that goes while its job is still open (an error that ends the program) lets go
    // of the computer and of the task-bar entry all the same.
    ~DesktopCompanion() override;

private:
    void Started();
    void BarChanged();
    void Ended(const frmMain::JobOutcome& outcome);

    frmMain& form_;
    MainWindow& window_;
    SleepInhibitor inhibitor_;
    TaskbarProgress progress_;
    JobNotification* notification_;
    bool running_ = false;
    std::vector<forms::Connection> connections_;
};

} // namespace tarn::gui
