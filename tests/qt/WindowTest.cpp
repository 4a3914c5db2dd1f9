#include "FakeDesktop.h"
#include "forms/Line.h"
#include "progress/ProgressBar.h"
#include "qt/DesktopCompanion.h"
#include "qt/FileHandover.h"
#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/QtPlatform.h"
#include "qt/TabControlWidget.h"
#include "qt/TimerBinding.h"
#include "shell/AppInfo.h"
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
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace tarn::gui::testing {
namespace {

// The real window as main() starts it, but with the test platform's boxes, dialog and handlers.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() : form({clock_, events_, fakes, fakes, instance_, host_, fakes}) {
        host_.Attach(&window);
        soon_.setSingleShot(true);
        for (forms::Timer* timer : form.Timers()) {
            new TimerBinding(*timer, &window);
        }
        form.Form_Load();
        window.ShowCentred();
    }

    template <typename Widget = QWidget> Widget* W(const forms::Control& control) {
        return qobject_cast<Widget*>(window.WidgetFor(control));
    }
    // Runs `act` once from the event loop, as a timer of the window's would.
    template <typename Act> void Soon(Act act) {
        QObject::connect(&soon_, &QTimer::timeout, &window, act, Qt::SingleShotConnection);
        soon_.start(0);
    }
    void Click(const forms::Control& control) {
        QTest::mouseClick(W(control), Qt::LeftButton, {}, W(control)->rect().center());
    }

    // Each control's widget shows the model at the window's scale; a designed caption fits.
    void ExpectWidgetsShowTheModel(MainWindow& shown, double twipsPerPixel, bool designed) {
        const auto px = [=](float twips) {
            return static_cast<int>(std::lround(twips / twipsPerPixel));
        };
        for (const forms::Control* control : form.Controls()) {
            SCOPED_TRACE(control->Name() + " at " + std::to_string(twipsPerPixel) + " twips");
            QWidget* widget = shown.WidgetFor(*control);
            ASSERT_NE(widget, nullptr);
            // Edges rounded: controls touching in twips touch on screen; a line covers both ends.
            const auto* line = dynamic_cast<const forms::Line*>(control);
            EXPECT_EQ(widget->geometry(),
                      line ? QRect(px(line->X1()), px(line->Y1()), 1, 1) |
                                 QRect(px(line->X2()), px(line->Y2()), 1, 1)
                           : QRect(QPoint(px(control->Left()), px(control->Top())),
                                   QPoint(px(control->Left() + control->Width()) - 1,
                                          px(control->Top() + control->Height()) - 1)));
            const auto* combo = dynamic_cast<const forms::ComboBox*>(control);
            const auto* captioned = dynamic_cast<const forms::CaptionedControl*>(control);
            const std::string text = combo ? combo->Text() : captioned ? captioned->Caption() : "";
            // A caption, a frame's title or the picked item.
            QVariant shownText;
            for (const char* property : {"text", "title", "currentText"}) {
                shownText = shownText.isValid() ? shownText : widget->property(property);
            }
            EXPECT_EQ(shownText.toString().toStdString(), text);
            EXPECT_EQ(widget->toolTip().toStdString(), control->ToolTipText());
            EXPECT_EQ(widget->isEnabledTo(widget->parentWidget()), control->Enabled());
            // The design's 9.75 points are 12 pixels of its narrower substitute at 96 dpi.
            const QFont font = widget->font();
            EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans Narrow"));
            EXPECT_EQ(font.pixelSize(),
                      std::lround(control->GetFont().Size * 12 / 9.75 * 15 / twipsPerPixel));
            EXPECT_EQ(font.bold(), control->GetFont().Bold);
            // A bar's label is only as wide as the part done.
            if (designed && !text.empty() && widget->width() > 0) {
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
    QTimer soon_;
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
    ASSERT_NE(object, nullptr);
    ASSERT_NE(object->actionInterface(), nullptr);
    ASSERT_TRUE(object->actionInterface()->actionNames().contains(action)) << action.toStdString();
    object->actionInterface()->doAction(action);
}

// The mouse, the keyboard and an assistive tool's action or selection all reach the model.
TEST_F(WindowTest, EveryInputPathReachesTheModel) {
    for (const char* name : {"a.wav", "b.wav"}) {
        ::tarn::testing::WriteWav(folder.File(name), {});
    }
    form.AddChosenFiles({folder.File("a.wav"), folder.File("b.wav")});
    QWidget* tabs = W<TabControlWidget>(form.SSTab1)->TabBar();
    Act(tabs, QAccessibleActionInterface::pressAction(),
        QAccessible::queryAccessibleInterface(tabs)->child(2));
    EXPECT_EQ(form.SSTab1.Tab(), 2);
    // Before the opened list below, which the offscreen platform leaves the active window.
    form.SSTab1.SetTab(0);
    QTest::mouseMove(W(form.cmdOpen));
    EXPECT_EQ(form.ActiveControl(), static_cast<forms::Control*>(&form.cmdOpen));
    EXPECT_TRUE(W(form.cmdOpen)->hasFocus());
    QWidget* names = W(form.lstOpenFileName);
    Act(names, QAccessibleActionInterface::toggleAction(),
        QAccessible::queryAccessibleInterface(names)->tableInterface()->cellAt(1, 0));
    form.SSTab1.SetTab(1);
    Click(form.chkCRC);
    W(form.chkPrivateBit)->setFocus();
    QTest::keyClick(W(form.chkPrivateBit), Qt::Key_Space);
    Act(W(form.chkCopyrightBit), QAccessibleActionInterface::toggleAction());
    W(form.cmbBitrate)->setFocus();
    QTest::keyClick(W(form.cmbBitrate), Qt::Key_Down);
    auto* quality = W<QComboBox>(form.cmbQuality);
    Act(quality, QAccessibleActionInterface::pressAction());
    QTest::keyClick(quality->view(), Qt::Key_Down);
    QTest::keyClick(quality->view(), Qt::Key_Return);
    form.SSTab1.SetTab(3);
    W(form.lblEMail)->setFocus();
    QTest::keyClick(W(form.lblEMail), Qt::Key_Return);
    Act(W(form.lblWWW), QAccessibleActionInterface::pressAction());
    for (const forms::CheckBox* box : {&form.chkCRC, &form.chkPrivateBit, &form.chkCopyrightBit}) {
        EXPECT_EQ(box->Value(), forms::Checked) << box->Name();
    }
    EXPECT_EQ(std::tuple(form.lstOpenFileName.ListIndex(), form.cmbBitrate.Text(),
                         form.cmbQuality.Text()),
              std::tuple(1, "160", "High"));
    EXPECT_EQ(fakes.shellRequests,
              (std::vector<std::string>{"open mailto:tarn@example.org (show)",
                                        "open https://tarn.example.org/ (normal)"}));
}

// Local files dropped are added in order, copied; refused in a job; the selected row stays.
TEST_F(WindowTest, DroppedFilesAreAddedOutsideAJobAndTheSelectionStays) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        ::tarn::testing::WriteWav(folder.File(name), {});
    }
    EXPECT_EQ(Drop(form.lstOpenFileSize, {"a.wav", "https://example.org/c.wav", "b.wav"}),
              Qt::CopyAction);
    EXPECT_EQ(Drop(form.lstOpenFileName, {"a.wav"}, Qt::MoveAction), Qt::IgnoreAction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.FileCount == 2; }));
    EXPECT_EQ(form.lstOpenFileName.Items(), (std::vector<std::string>{"a.wav", "b.wav"}));
    auto* list = W<QListWidget>(form.lstOpenFileName);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    form.AddChosenFiles({folder.File("c.wav")});
    ASSERT_EQ(form.lstOpenFileName.ListCount(), 3);
    EXPECT_EQ(form.lstOpenFileName.ListIndex(), 0);
    Qt::DropAction afterAbort = Qt::CopyAction;
    Soon([&] {
        form.cmdAbort.Click.Raise();
        EXPECT_TRUE(W(form.cmdOpen)->isEnabled());
        afterAbort = Drop(form.lstOpenFileName, {"c.wav"});
    });
    form.cmdGo.Click.Raise();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.JobActive(); }));
    EXPECT_EQ(afterAbort, Qt::IgnoreAction);
}

TEST_F(WindowTest, AnErrorInAHandlerEndsInOrderInsteadOfAborting) {
    SetErrorHandler([&](const std::exception&) { form.Shutdown(); });
    form.chkCRC.Click.ConnectForEventLifetime([] { throw std::runtime_error("broken handler"); });
    Click(form.chkCRC);
    SetErrorHandler(nullptr);
    EXPECT_TRUE(window.Unloaded());
}

// The desktop's services: stand-ins on a bus of the test's own.
class DesktopTest : public WindowTest {
protected:
    DesktopTest() {
        new DesktopCompanion(form, window,
                             QDBusConnection::connectToBus(desktop.address, "session"),
                             QDBusConnection::connectToBus(desktop.address, "system"));
        elsewhere.show();
    }

    // Runs a job (`during` it once sleep is held off) until the desktop has heard `calls` calls.
    void RunJob(bool active, std::size_t calls, const std::function<void()>& during = {}) {
        (active ? static_cast<QWidget&>(window) : elsewhere).activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow() == active; }));
        Soon([&] {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !desktop.calls.empty(); }));
            if (during) {
                during();
            }
        });
        form.cmdGo_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return !desktop.Holding() && desktop.calls.size() >= calls &&
                   !desktop.progress.empty() && desktop.progress.back() == -1;
        }));
    }

    FakeDesktop desktop;
    QWidget elsewhere;
    long highest = 0; // percent, on the job bar
    const forms::Connection watch = form.lblTotal.Change.Connect([this] {
        highest = std::max<long>(highest, ReadBackPercent(form.lblTotal.Caption()).value_or(0));
    });
};

// Each row a job's end: sleep held off, the task bar following, the end announced if not seen.
TEST_F(DesktopTest, SleepIsHeldOffAndTheTaskBarFollowsTheJobToEachOfItsEndsWhichIsAnnounced) {
    const std::string logind =
        "Inhibit sleep:idle | Tarn MP3 Encoder | Encoding WAV files to MP3 | block";
    // Each job's request has a name of its own, with the job's number.
    const auto portal = [](int job) {
        return "Inhibit  | 12 | tarnme" + std::to_string(job) + " Encoding WAV files to MP3";
    };
    const std::string done =
        "Notify Tarn MP3 Encoder | 0 | tarnme | Job done! | 1 MP3 file written.";
    const std::string actions =
        " | default Show the window | org.example.tarn.tarnme complete | -1";
    enum End { Done, Close };
    // The end, the portal there (else logind), the window active (withdrawing the last notice).
    using Row = std::tuple<End, bool, bool, std::vector<std::string>>;
    for (const auto& [end, viaPortal, active, calls] :
         {Row{Done, true, false, {portal(1), "Close", done + actions}},
          Row{Done, false, true, {"CloseNotification 7", logind}},
          Row{Close, true, false, {portal(3), "Close"}}}) {
        SCOPED_TRACE(std::to_string(end) + (active ? " active" : ""));
        desktop.Reset(viaPortal ? FakeDesktop::Grants : FakeDesktop::Absent);
        highest = 0;
        ::tarn::testing::WriteWav(folder.File("a.wav"), {.frames = std::int64_t{3} * 44100});
        // A file listed twice is passed over; a close is refused, an orderly end aborts first.
        form.AddChosenFiles({folder.File("a.wav"), folder.File("a.wav")});
        RunJob(active, calls.size(), [&, end = end] {
            if (end == Close) {
                EXPECT_FALSE(window.close());
                form.Shutdown();
            }
        });
        EXPECT_EQ(desktop.calls, calls);
        // From 0 up to the bar's highest (the entry's stops at 100), each once, then hidden.
        const auto& shown = desktop.progress;
        EXPECT_EQ(std::tuple(shown.front(), shown.end()[-2]),
                  std::tuple(0L, std::min(highest, 100L)));
        EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end() - 1, std::greater_equal<>()),
                  shown.end() - 1);
    }
}

// Clicked, it brings the window forward and is withdrawn; later programs inherit no token.
TEST_F(DesktopTest, TheNotificationClickedBringsTheWindowForwardAndIsWithdrawn) {
    desktop.Reset(FakeDesktop::Absent);
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isActiveWindow(); }));
    form.JobEnded.Raise({.mp3Files = 1});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.calls.empty(); }));
    for (const auto& [signal, text] :
         {std::pair{"ActivationToken", "token"}, {"ActionInvoked", "default"}}) {
        desktop.bus.send(QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                    "org.freedesktop.Notifications", signal)
                         << 7U << QString(text));
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.isActiveWindow() && desktop.calls.back() == "CloseNotification 7"; }));
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
}

// Files handed over by later starts are added; the activation token is not left for later programs.
TEST_F(DesktopTest, HandedOverFilesAreAddedAndLeaveNoActivationToken) {
    new HandedOverFiles(form, window, QDBusConnection::connectToBus(desktop.address, "program"));
    const QDBusConnection start = QDBusConnection::connectToBus(desktop.address, "start");
    for (const char* name : {"a.wav", "b.wav"}) {
        ::tarn::testing::WriteWav(folder.File(name), {});
        QDBusMessage call = QDBusMessage::createMethodCall(
            kDesktopId, "/", "org.example.tarn.tarnme.Files", "AddFiles");
        call << QVariant::fromValue(QList<QByteArray>{QByteArray::fromStdString(folder.File(name))})
             << QString("token");
        start.send(call);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.FileCount == 2; }));
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
}

} // namespace
} // namespace tarn::gui::testing
