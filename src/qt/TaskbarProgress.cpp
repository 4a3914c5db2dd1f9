#include "qt/TaskbarProgress.h"

#include "shell/AppInfo.h"

#include <QDBusMessage>
#include <algorithm>

namespace tarn::gui {

TaskbarProgress::TaskbarProgress(QDBusConnection session) : session_(std::move(session)) {}

void TaskbarProgress::Show(int percent) {
    // The job bar may pass 100 % a little; the entry's bar stops at full.
    percent = std::clamp(percent, 0, 100);
    if (shown_ == percent) {
        return;
    }
    shown_ = percent;
    Send({{QStringLiteral("progress"), percent / 100.0},
          {QStringLiteral("progress-visible"), true}});
}

void TaskbarProgress::Hide() {
    shown_.reset();
    Send({{QStringLiteral("progress-visible"), false}});
}

void TaskbarProgress::Send(const QVariantMap& properties) {
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/org/example/tarn/tarnme/LauncherEntry"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://%1.desktop").arg(QLatin1String(kDesktopId))
           << properties;
    session_.send(update);
}

} // namespace tarn::gui
