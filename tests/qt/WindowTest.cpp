#include "forms/Line.h"
#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/QtPlatform.h"
#include "qt/TabControlWidget.h"
#include "qt/TimerBinding.h"
#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "support/WavFiles.h"

#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <gtest/gtest.h>

namespace tarn::gui::testing {
namespace {

// The text a widget shows of its control: a caption, a frame's title or the picked item.
QString ShownText(const QWidget* widget) {
    for (const char* property : {"text", "title", "currentText"}) {
        if (const QVariant text = widget->property(property); text.isValid()) {
            return text.toString();
        }
    }
    return {};
}

std::string ModelText(const forms::Control& control) {
    const auto* combo = dynamic_cast<const forms::ComboBox*>(&control);
    const auto* captioned = dynamic_cast<const forms::CaptionedControl*>(&control);
    return combo ? combo->Text() : captioned ? captioned->Caption() : "";
}

// The control's place in pixels: its edges rounded, so that controls that touch in twips touch
// on screen; a line covers the pixels of both its ends.
QRect Place(const forms::Control& control, double twipsPerPixel) {
    const auto px = [=](float twips) {
        return static_cast<int>(std::lround(twips / twipsPerPixel));
    };
    if (const auto* line = dynamic_cast<const forms::Line*>(&control)) {
        return QRect({px(line->X1()), px(line->Y1())}, QSize(1, 1)) |
               QRect({px(line->X2()), px(line->Y2())}, QSize(1, 1));
    }
    return {
        QPoint(px(control.Left()), px(control.Top())),
        QPoint(px(control.Left() + control.Width()) - 1, px(control.Top() + control.Height()) - 1)};
}

// The real window on the real platform, started as main() starts it, except for message boxes,
// the open dialog and the desktop handlers, which the core's test platform records and answers.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() : form({clock_, events_, fakes, fakes, instance_, host_, fakes}) {
        host_.Attach(&window);
        for (forms::Timer* timer : form.Timers()) {
            new TimerBinding(*timer, &window);
        }
        form.Form_Load();
        window.ShowCentred();
    }

    template <typename Widget = QWidget> Widget* W(const forms::Control& control) {
        return qobject_cast<Widget*>(window.WidgetFor(control));
    }
    void Click(const forms::Control& control) {
        QTest::mouseClick(W(control), Qt::LeftButton, {}, W(control)->rect().center());
    }
    void Add(const std::string& name) {
        ::tarn::testing::WriteWav(folder.File(name), {});
        fakes.AnswerDialog(folder.File(name));
        Click(form.cmdOpen);
    }

    // Every control has a widget showing what the model holds at the window's scale; a caption
    // of the design fits as the style draws it.
    void ExpectWidgetsShowTheModel(MainWindow& shown, double twipsPerPixel, bool designed) {
        for (const forms::Control* control : form.Controls()) {
            SCOPED_TRACE(control->Name() + " at " + std::to_string(twipsPerPixel) + " twips");
            QWidget* widget = shown.WidgetFor(*control);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->geometry(), Place(*control, twipsPerPixel));
            EXPECT_EQ(ShownText(widget).toStdString(), ModelText(*control));
            EXPECT_EQ(widget->toolTip().toStdString(), control->ToolTipText());
            EXPECT_EQ(widget->isEnabledTo(widget->parentWidget()), control->Enabled());
            // The design's 9.75 points are 12 pixels of its narrower substitute at 96 dpi.
            const QFont font = widget->font();
            EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans Narrow"));
            EXPECT_EQ(font.pixelSize(),
                      std::lround(control->GetFont().Size * 12 / 9.75 * 15 / twipsPerPixel));
            EXPECT_EQ(font.bold(), control->GetFont().Bold);
            // A bar's label is only as wide as the part done.
            if (designed && !ModelText(*control).empty() && widget->width() > 0) {
                EXPECT_LE(widget->sizeHint().width(), widget->width());
                EXPECT_LE(QFontMetrics(font).height(), widget->height());
            }
        }
    }

    // A drag and drop of files on a list, as the window system sends it; the action taken.
    Qt::DropAction Drop(const forms::ListBox& list, const QStringList& names,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction) {
        QList<QUrl> urls;
        for (const QString& name : names) {
            urls.append(QUrl::fromUserInput(name, QString::fromStdString(folder.Path().string())));
        }
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = W(list)->mapTo(&window, W(list)->rect().center());
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop}) {
            QCoreApplication::sendEvent(window.windowHandle(), event);
        }
        return move.isAccepted() && drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    ::tarn::testing::TempDir folder;
    ::tarn::testing::TestPlatform fakes;
    QtClock clock_;
    QtEventPump events_;
    QtInstanceMarker instance_{QString::fromStdString(folder.File("instance.lock"))};
    QtWindowHost host_;
    const TwipsScale scale{QtDesktop().ScreenTwipsPerPixelY()};
    frmMain form;
    MainWindow window{form, scale};
    // The same form on a screen of 120 dots per inch.
    MainWindow larger{form, TwipsScale(12)};
};

TEST_F(WindowTest, EveryControlsWidgetShowsTheModelAtTheScaleInUseAndFollowsItsChanges) {
    ExpectWidgetsShowTheModel(window, scale.TwipsPerPixel(), true);
    ExpectWidgetsShowTheModel(larger, 12, true);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    for (forms::Control* control : form.Controls()) {
        control->Move(control->Left() + 30, control->Top() + 15, control->Width() + 45,
                      control->Height() + 15);
        control->SetEnabled(!control->Enabled());
        control->SetToolTipText(control->Name() + " tip");
        if (auto* captioned = dynamic_cast<forms::CaptionedControl*>(control)) {
            captioned->SetCaption("&" + control->Name());
        }
    }
    form.cmbMode.SetListIndex(0);
    ExpectWidgetsShowTheModel(window, scale.TwipsPerPixel(), false);
    ExpectWidgetsShowTheModel(larger, 12, false);
}

void Act(QWidget* widget, const QString& action, QAccessibleInterface* object = nullptr) {
    object = object ? object : QAccessible::queryAccessibleInterface(widget);
    ASSERT_TRUE(object && object->actionInterface());
    ASSERT_TRUE(object->actionInterface()->actionNames().contains(action)) << action.toStdString();
    object->actionInterface()->doAction(action);
}

// Each way a user can change a control (the mouse, the keyboard, an assistive tool's action or
// selection, a drop of files) reaches the model, and so the option or the handler behind it.
TEST_F(WindowTest, EveryInputPathReachesTheModel) {
    // Local files dropped on either list are added in order, copied, never moved.
    for (const char* name : {"a.wav", "b.wav"}) {
        ::tarn::testing::WriteWav(folder.File(name), {});
    }
    EXPECT_EQ(Drop(form.lstOpenFileSize, {"a.wav", "https://example.org/c.wav", "b.wav"}),
              Qt::CopyAction);
    EXPECT_EQ(Drop(form.lstOpenFileName, {"a.wav"}, Qt::MoveAction), Qt::IgnoreAction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.FileCount == 2; }));
    EXPECT_EQ(form.lstOpenFileName.Items(), (std::vector<std::string>{"a.wav", "b.wav"}));
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();
    QWidget* tabs = W<TabControlWidget>(form.SSTab1)->TabBar();
    Act(tabs, press, QAccessible::queryAccessibleInterface(tabs)->child(2));
    EXPECT_EQ(form.SSTab1.Tab(), 2);
    // Before the opened list below, which the offscreen platform leaves the active window.
    form.SSTab1.SetTab(0);
    QTest::mouseMove(W(form.cmdOpen));
    EXPECT_TRUE(form.ActiveControl() == &form.cmdOpen && W(form.cmdOpen)->hasFocus());
    Act(W(form.chkFullPath), toggle);
    QWidget* names = W(form.lstOpenFileName);
    Act(names, toggle,
        QAccessible::queryAccessibleInterface(names)->tableInterface()->cellAt(1, 0));
    Act(W(form.cmdHelp), press);
    form.SSTab1.SetTab(1);
    Click(form.chkCRC);
    W(form.chkPrivateBit)->setFocus();
    QTest::keyClick(W(form.chkPrivateBit), Qt::Key_Space);
    Act(W(form.chkCopyrightBit), toggle);
    W(form.cmbBitrate)->setFocus();
    QTest::keyClick(W(form.cmbBitrate), Qt::Key_Down);
    auto* quality = W<QComboBox>(form.cmbQuality);
    Act(quality, press);
    QTest::keyClick(quality->view(), Qt::Key_Down);
    QTest::keyClick(quality->view(), Qt::Key_Return);
    form.SSTab1.SetTab(3);
    W(form.lblEMail)->setFocus();
    QTest::keyClick(W(form.lblEMail), Qt::Key_Return);
    Act(W(form.lblWWW), press);
    for (const forms::CheckBox* box :
         {&form.chkFullPath, &form.chkCRC, &form.chkPrivateBit, &form.chkCopyrightBit}) {
        EXPECT_EQ(box->Value(), forms::Checked) << box->Name();
    }
    EXPECT_EQ(form.lstOpenFileName.ListIndex(), 1);
    // A pressed button clicks a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fakes.helpRequests.size() == 1; }));
    EXPECT_EQ(form.cmbBitrate.Text(), "160");
    EXPECT_EQ(form.cmbQuality.Text(), "High");
    ASSERT_EQ(fakes.shellRequests.size(), 2U);
    EXPECT_EQ(fakes.shellRequests[1].target, "https://tarn.example.org/");

    // The model's own changes do not come back as the user's: refilling the rows keeps the
    // selected one.
    form.SSTab1.SetTab(0);
    auto* list = W<QListWidget>(form.lstOpenFileName);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    Add("c.wav");
    ASSERT_EQ(form.lstOpenFileName.ListCount(), 3);
    EXPECT_EQ(form.lstOpenFileName.ListIndex(), 0);
    // Drops are refused during a job, even once Abort has enabled the add button again, until the
    // aborted run has returned.
    Qt::DropAction afterAbort = Qt::CopyAction;
    QTimer::singleShot(0, &window, [&] {
        form.cmdAbort.Click.Raise();
        EXPECT_TRUE(W(form.cmdOpen)->isEnabled());
        afterAbort = Drop(form.lstOpenFileName, {"c.wav"});
    });
    form.cmdGo.Click.Raise();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.JobActive(); }));
    EXPECT_EQ(afterAbort, Qt::IgnoreAction);
}

TEST_F(WindowTest, AnErrorInAHandlerEndsInOrderInsteadOfAborting) {
    Add("my song.wav");
    SetErrorHandler([&](const std::exception&) { form.Shutdown(); });
    form.chkCRC.Click.ConnectForEventLifetime([] { throw std::runtime_error("broken handler"); });
    Click(form.chkCRC);
    SetErrorHandler(nullptr);
    EXPECT_TRUE(window.Unloaded());
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"instance.lock", "my song.wav"}));
}

} // namespace
} // namespace tarn::gui::testing
