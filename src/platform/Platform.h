#pragma once

#include "common/Status.h"

#include <chrono>
#include <string>
#include <vector>

namespace tarn::platform {

// A moment of local time, as milliseconds since 1970-01-01 00:00 local time.
using DateTime = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime Now() = 0;
};

// Lets the window handle what is pending (timers, clicks, repaints) from inside a handler.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void DoEvents() = 0;
};

enum class MessageIcon { None, Critical, Exclamation, Information };

struct MessageBoxRequest {
    std::string Text;
    MessageIcon Icon = MessageIcon::None;
    std::string Title;

    bool operator==(const MessageBoxRequest&) const = default;
};

// Modal message boxes with a single OK button, and the system beep.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void ShowMessage(const MessageBoxRequest& request) = 0;
    virtual void Beep() = 0;
};

struct OpenDialogRequest {
    std::string Title;
    std::string InitialFileName;
    std::string FilterDescription;
    std::string FilterPattern;
    std::string InitialFolder;
    std::string DefaultExtension;
};

class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // The chosen path of an existing file, or an empty string when the user cancels.
    virtual std::string ShowOpen(const OpenDialogRequest& request) = 0;
};

// A marker that every running instance of the program can see.
class InstanceMarker {
public:
    virtual ~InstanceMarker() = default;
    // True when another instance already holds the marker; otherwise this one takes it. A
    // failure when the marker can be neither made nor taken: then nobody can tell.
    virtual Result<bool> AnotherInstanceRunning() = 0;
    // Hands files to the instance that holds the marker, which lists them as if it had been
    // started with them; true once it has taken them. False at once when there is no such
    // instance to ask, and after a few seconds when it does not answer.
    virtual bool HandOver(const std::vector<std::string>& files) = 0;
};

// The window's own menu and lifetime.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Deletes the window-menu item at a position (0 Restore ... 5 separator, 6 Close).
    virtual void DeleteWindowMenuItem(int position) = 0;
    // Closes the window, which ends the program.
    virtual void Unload() = 0;
};

enum class ShowCommand { Normal = 1, Show = 5 };

// Requests handed to the desktop; their outcome is not examined.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void ShellOpen(const std::string& verb, const std::string& target,
                           ShowCommand show) = 0;
    virtual void ShowHelp(const std::string& helpFile) = 0;
    virtual std::string ProgramFolder() = 0;
    virtual double ScreenTwipsPerPixelY() = 0;
};

// Everything the window needs of the platform.
struct Platform {
    Clock& clock;
    EventPump& events;
    Notifier& notifier;
    OpenDialog& openDialog;
    InstanceMarker& instance;
    WindowHost& window;
    Desktop& desktop;
};

} // namespace tarn::platform
