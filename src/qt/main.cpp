#include "journal/NameJournal.h"
#include "qt/AppSetup.h"
#include "qt/DesktopCompanion.h"
#include "qt/FileHandover.h"
#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/OrderlyEnd.h"
#include "qt/QtPlatform.h"
#include "qt/ShutdownSignals.h"
#include "qt/SyncWaits.h"
#include "qt/TimerBinding.h"
#include "shell/AppInfo.h"
#include "shell/CommandLine.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTimer>
#include <iostream>

int main(int argc, char* argv[]) {
    // Read before Qt starts, so that a mistyped option is answered even without a display.
    const tarn::CommandLine commandLine = tarn::ParseCommandLine(
        argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>(),
        tarn::CurrentFolder());
    if (const auto usageError = tarn::UsageError(commandLine)) {
        std::cerr << *usageError << '\n';
        return tarn::kUsageExitStatus;
    }
    if (commandLine.info != tarn::InfoRequest::None) {
        std::cout << (commandLine.info == tarn::InfoRequest::Help ? tarn::HelpText()
                                                                  : "tarnme " TARN_VERSION "\n");
        return 0;
    }
    const QString activationToken = tarn::gui::DesktopActivationToken();
    // Every argument is a file: Qt sees none of them, or it would take a file named like one
    // of its own options ("-style", "-reverse") for that option.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    tarn::gui::QtPlatform platform;
    platform.instance.SetActivationToken(activationToken);
    tarn::gui::SetUpApplication(app, platform.Scale());

    // Declared in the order they may rely on each other: the window is destroyed first.
    tarn::NameJournal journal(tarn::NameJournal::DefaultPath());
    tarn::frmMain form(platform.Bundle());
    form.UseNameJournal(&journal);
    tarn::gui::MainWindow window(form, platform.Scale());
    // During a job the window takes clicks while a step waits for the disk, as between chunks.
    tarn::gui::DiskPatience patience;
    patience.onSlowDisk = [&window, &form](bool slow) {
        window.setWindowTitle(QString::fromStdString(form.Caption) +
                              (slow ? " - the disk does not answer" : ""));
    };
    const tarn::gui::SyncWaits syncWaits([&form] { return form.JobActive(); },
                                         [&form] { return form.EndAsked(); }, patience);
    // A job encodes as many files at once as --jobs says, else one on each core it may use.
    const tarn::gui::WorkerWaits workerWaits(tarn::JobsAtOnce(commandLine),
                                             [&form] { return form.JobActive(); });
    platform.Attach(&window);
    new tarn::gui::DesktopCompanion(form, window, QDBusConnection::sessionBus(),
                                    QDBusConnection::systemBus());
    for (tarn::forms::Timer* timer : form.Timers()) {
        new tarn::gui::TimerBinding(*timer, &window);
    }

    tarn::gui::SetErrorHandler([&](const std::exception& error) {
        platform.notifier.ShowMessage(
            {std::string("An unexpected error ends the program:\n") + error.what(),
             tarn::platform::MessageIcon::Critical, tarn::kAppTitle});
        if (form.Loaded()) {
            form.Shutdown();
        }
    });

    tarn::gui::RunGuarded([&] {
        form.Form_Initialize();
        form.Form_Load(commandLine.files);
    });
    if (!form.Loaded()) {
        return 0;
    }
    // A start that does not run the window has nothing to put in order: until here, SIGTERM,
    // SIGINT and SIGHUP end it at once, also while it says that the program is already running.
    tarn::gui::ShutdownSignals shutdownSignals;
    tarn::gui::EndInOrderOnRequest(form, shutdownSignals, &window);
    form.SSTab1.SetTab(0);
    window.ShowCentred();
    // From the event loop, so that their messages come over the window already shown. Only the
    // one running instance may give back names left by an instance that died, and it does so
    // before any file is added; on a slow stick the window is there meanwhile.
    QTimer::singleShot(0, &window, [&form, files = commandLine.files] {
        tarn::gui::RunGuarded([&] { form.RecoverNames(); });
        tarn::gui::RunGuarded([&] { form.AddChosenFiles(files); });
    });
    // Files opened with the program from now on join them.
    new tarn::gui::HandedOverFiles(form, window, QDBusConnection::sessionBus());
    return QApplication::exec();
}
