#include "qt/DesktopCompanion.h"

#include "progress/ProgressBar.h"
#include "qt/JobNotification.h"
#include "qt/MainWindow.h"

#include <QGuiApplication>

namespace tarn::gui {

DesktopCompanion::DesktopCompanion(frmMain& form, MainWindow& window,
                                   const QDBusConnection& session, const QDBusConnection& system)
    : QObject(&window), form_(form), window_(window), inhibitor_(session, system, this),
      progress_(session), notification_(new JobNotification(session, &window)) {
    connections_.push_back(form.JobStarted.Connect([this] { Started(); }));
    connections_.push_back(form.lblTotal.Change.Connect([this] { BarChanged(); }));
    connections_.push_back(
        form.JobEnded.Connect([this](const frmMain::JobOutcome& outcome) { Ended(outcome); }));
}

DesktopCompanion::~DesktopCompanion() {
    if (running_) {
        Ended({.aborted = true});
    }
}

void DesktopCompanion::Started() {
    running_ = true;
    // The portal's backend may tie the hold to the program's window, which X11 names by its id.
    // A Wayland window would need a handle exported through xdg-foreign, which Qt does not offer.
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    inhibitor_.Hold(x11 ? QStringLiteral("x11:%1").arg(window_.winId(), 0, 16) : QString());
    progress_.Show(ReadBackPercent(form_.lblTotal.Caption()).value_or(0));
}

void DesktopCompanion::BarChanged() {
    // The job tick writes the bar; the reset at the end of a job comes with the tick stopped.
    const bool jobTicking = running_ && form_.tmrTotal.Enabled();
    if (const auto percent = ReadBackPercent(form_.lblTotal.Caption()); percent && jobTicking) {
        progress_.Show(*percent);
    }
}

void DesktopCompanion::Ended(const frmMain::JobOutcome& outcome) {
    running_ = false;
    inhibitor_.Release();
    progress_.Hide();
    // In front, the window's own beep and message are enough. An aborted job was stopped by the
    // user, or ends with the program.
    if (!outcome.aborted && !window_.isActiveWindow()) {
        notification_->Send(outcome.mp3Files, outcome.troubles);
    }
}

} // namespace tarn::gui
