#pragma once

#include "platform/Platform.h"
#include "qt/TwipsScale.h"

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

namespace tarn::gui {

class MainWindow;

// The local date and time, as milliseconds since 1970-01-01 00:00 local time.
class QtClock : public platform::Clock {
public:
    platform::DateTime Now() override;
};

class QtEventPump : public platform::EventPump {
public:
    void DoEvents() override;
};

// Modal message boxes over the main window while it is shown.
class QtNotifier : public platform::Notifier {
public:
    void ShowMessage(const platform::MessageBoxRequest& request) override;
    void Beep() override;
    void SetOwner(QWidget* owner) { owner_ = owner; }

private:
    QPointer<QWidget> owner_;
};

// The open-file dialog: one existing file, of the requested type in any letter case.
class QtOpenDialog : public platform::OpenDialog {
public:
    std::string ShowOpen(const platform::OpenDialogRequest& request) override;
    void SetOwner(QWidget* owner) { owner_ = owner; }

private:
    QPointer<QWidget> owner_;
};

// The name filters of a request: its patterns made to match in any letter case, since file
// names here differ by case ("*.wav" becomes "*.[wW][aA][vV]").
QStringList NameFiltersFor(const platform::OpenDialogRequest& request);
// A path as the file system spells it (file names are bytes here, not necessarily UTF-8).
std::string ToNativePath(const QString& path);

// A lock file that the running instance holds for its whole life. A lock left behind by an
// instance that died is taken over. Files go to the running instance over the session bus.
class QtInstanceMarker : public platform::InstanceMarker {
public:
    explicit QtInstanceMarker(QString lockPath = DefaultLockPath());
    Result<bool> AnotherInstanceRunning() override;
    bool HandOver(const std::vector<std::string>& files) override;
    // Passed on with the files, so that the running window may come to the front.
    void SetActivationToken(QString token) { activationToken_ = std::move(token); }

    // The lock file beside the record of names, which it guards; empty when there is no home
    // folder.
    static QString DefaultLockPath();

private:
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    QString activationToken_;
};

class QtWindowHost : public platform::WindowHost {
public:
    void Attach(MainWindow* window);
    void DeleteWindowMenuItem(int position) override;
    void Unload() override;

private:
    QPointer<MainWindow> window_;
    // Items deleted before the window existed.
    std::vector<int> deleted_;
};

class HelpWindow;

// The desktop's opener for links, and the program's own help window for its manual.
class QtDesktop : public platform::Desktop {
public:
    QtDesktop();
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    void ShellOpen(const std::string& verb, const std::string& target,
                   platform::ShowCommand show) override;
    void ShowHelp(const std::string& helpFile) override;
    std::string ProgramFolder() override;
    double ScreenTwipsPerPixelY() override;

    // The help window, once Help has been asked for.
    HelpWindow* Help() const { return help_.get(); }

private:
    std::unique_ptr<HelpWindow> help_;
};

// Every platform part, the real ones.
struct QtPlatform {
    QtClock clock;
    QtEventPump events;
    QtNotifier notifier;
    QtOpenDialog openDialog;
    QtInstanceMarker instance;
    QtWindowHost window;
    QtDesktop desktop;

    platform::Platform Bundle() {
        return {clock, events, notifier, openDialog, instance, window, desktop};
    }
    TwipsScale Scale() { return TwipsScale(desktop.ScreenTwipsPerPixelY()); }
    // Dialogs and message boxes belong to the window from now on.
    void Attach(MainWindow* window);
};

} // namespace tarn::gui
