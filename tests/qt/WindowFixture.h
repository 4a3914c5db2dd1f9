#pragma once

#include "qt/Binders.h"
#include "qt/MainWindow.h"
#include "qt/QtPlatform.h"
#include "qt/TimerBinding.h"
#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace tarn::gui::testing {

// Processes events until the condition holds; false when it still does not after a generous
// limit (the limit only keeps a broken test from hanging).
inline bool ProcessEventsUntil(const std::function<bool()>& condition) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The real window on the real platform, except for message boxes, the open dialog and the
// desktop handlers, which the core's test platform records and answers.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture()
        : instance_(QString::fromStdString(folder.File("instance.lock"))),
          form({clock_, events_, fakes, fakes, instance_, host_, fakes}),
          window(form, TwipsScale(desktop_.ScreenTwipsPerPixelY())) {
        host_.Attach(&window);
        for (forms::Timer* timer : form.Timers()) {
            new TimerBinding(*timer, &window);
        }
    }

    // Starts the program as main() does, and waits until the window is on screen.
    void Start() {
        form.Form_Initialize();
        form.Form_Load();
        ASSERT_TRUE(form.Loaded());
        form.SSTab1.SetTab(0);
        window.ShowCentred();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template <typename Widget = QWidget> Widget* W(const forms::Control& control) {
        auto* widget = qobject_cast<Widget*>(window.WidgetFor(control));
        EXPECT_NE(widget, nullptr) << control.Name();
        return widget;
    }

    void SwitchToTab(int tab);
    void Click(const forms::Control& control);
    // Adds a file through the add button, the dialog answering with `path`.
    void AddThroughButton(const std::string& path);

    ::tarn::testing::TempDir folder;
    ::tarn::testing::TestPlatform fakes;

private:
    QtClock clock_;
    QtEventPump events_;
    QtInstanceMarker instance_;
    QtWindowHost host_;
    QtDesktop desktop_;

protected:
    frmMain form;
    MainWindow window;
};

} // namespace tarn::gui::testing
