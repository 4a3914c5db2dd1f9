#include "WindowFixture.h"

#include "qt/TabControlWidget.h"

#include <QAbstractButton>

namespace tarn::gui::testing {

void WindowFixture::SwitchToTab(int tab) {
    auto* tabs = W<TabControlWidget>(form.SSTab1);
    QTabBar* bar = tabs->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

void WindowFixture::Click(const forms::Control& control) {
    QWidget* widget = W(control);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void WindowFixture::AddThroughButton(const std::string& path) {
    fakes.AnswerDialog(path);
    Click(form.cmdOpen);
}

} // namespace tarn::gui::testing
