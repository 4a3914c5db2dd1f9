#pragma once

#include <QDBusConnection>
#include <QVariantMap>
#include <optional>

namespace tarn::gui {

// The job's progress on the program's entry in the task bar or dock (KDE's task manager, Dash to
// Dock, Plank), told through the launcher API's Update signal. A percentage is sent only when it
// differs from the one shown.
class TaskbarProgress {
public:
    explicit TaskbarProgress(QDBusConnection session);

    void Show(int percent);
    void Hide();

private:
    void Send(const QVariantMap& properties);

    QDBusConnection session_;
    std::optional<int> shown_;
};

} // namespace tarn::gui
