#include "WindowFixture.h"
#include "forms/TabControl.h"
#include "qt/FrameWidget.h"
#include "qt/TabControlWidget.h"

#include <QStyle>

namespace tarn::gui::testing {
namespace {

// The room a caption's text needs inside its control, by kind: the style's check box indicator
// and its spacing, or the button's margins and frame, come on top of the text.
int ChromeWidth(const forms::Control& control, const QWidget& widget) {
    const QStyle* style = widget.style();
    switch (control.Kind()) {
    case forms::ControlKind::CheckBox:
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget);
    case forms::ControlKind::CommandButton:
        return 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &widget) +
                    style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget));
    case forms::ControlKind::Frame:
        // The title stands in from the frame's corner, with a blank on each side; the same
        // indent is kept at the right.
        return 2 * FrameWidget::kTitleIndent + 2 * FrameWidget::kTitlePadding;
    default:
        return 0;
    }
}

class CaptionFitTest : public WindowFixture {
protected:
    void SetUp() override { Start(); }
};

// No caption is clipped at 96 dots per inch: each caption's text, with what its kind of control
// draws beside it, fits the control's width, and the font's line fits its height.
TEST_F(CaptionFitTest, EveryCaptionFitsItsControl) {
    ASSERT_EQ(QtDesktop().ScreenTwipsPerPixelY(), 15.0);
    int checked = 0;
    for (forms::Control* control : form.Controls()) {
        const auto* captioned = dynamic_cast<const forms::CaptionedControl*>(control);
        if (captioned == nullptr || captioned->Caption().empty()) {
            continue;
        }
        // The bars show at most "100%" over their full width, at any width of their own.
        const bool bar = control == &form.lblProgres || control == &form.lblTotal;
        const QString text = bar ? QStringLiteral("100%") : WithoutAccessKeys(captioned->Caption());
        QWidget* widget = window.WidgetFor(*control);
        ASSERT_NE(widget, nullptr) << control->Name();
        const QFontMetrics metrics(widget->font());
        const int needed = metrics.horizontalAdvance(text) + ChromeWidth(*control, *widget);
        const int available = bar ? W(form.Label3[0])->width() : widget->width();
        EXPECT_LE(needed, available) << control->Name() << " \"" << text.toStdString() << "\"";
        if (control->Kind() != forms::ControlKind::Frame) {
            EXPECT_LE(metrics.height(), widget->height()) << control->Name();
        }
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

TEST_F(CaptionFitTest, EveryTabCaptionFitsItsTab) {
    auto* tabs = W<TabControlWidget>(form.SSTab1);
    const QStyle* style = tabs->TabBar()->style();
    const int padding = 2 * style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
    const QFontMetrics metrics(tabs->TabBar()->font());
    for (int tab = 0; tab < form.SSTab1.Tabs(); ++tab) {
        const QString caption = WithoutAccessKeys(form.SSTab1.TabCaption(tab));
        EXPECT_LE(metrics.horizontalAdvance(caption) + padding / 2,
                  tabs->TabBar()->tabRect(tab).width())
            << caption.toStdString();
    }
}

} // namespace
} // namespace tarn::gui::testing
