#include "WindowFixture.h"
#include "qt/TabControlWidget.h"
#include "support/WavWriter.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace tarn::gui::testing {
namespace {

using ::tarn::testing::WavSpec;
using ::tarn::testing::WriteWav;

struct Expected {
    const char* name;
    const char* text;
    const char* toolTip; // nullptr: the same as the caption
    // The page of the tab control holding it, or -1 when it lies elsewhere.
    int page;
    QRect pixels;
};

// Every control at 96 dots per inch: the model's twips divided by 15, relative to the widget of
// its container (the tab control's page covers the whole tab control).
const Expected kInventory[] = {
    {"SSTab1", "", "", -1, {0, 64, 377, 233}},
    {"Label20", "File Name:", "", 0, {80, 35, 65, 16}},
    {"Label21", "File size:", "", 0, {272, 35, 52, 16}},
    {"lstOpenFileName", "", "List of files which will be encoded", 0, {8, 56, 233, 106}},
    {"lstOpenFileSize", "", "List of the file's size", 0, {240, 56, 121, 106}},
    {"chkFullPath",
     "Show full path in the list",
     "Select this option to show the full path of the file in the list",
     0,
     {8, 168, 135, 17}},
    {"cmdOpen", "A&dd file to list", "Click here to add a file to list", 0, {8, 200, 129, 25}},
    {"cmdClearList",
     "&Clear list",
     "Click here to remove all the files from the list",
     0,
     {136, 200, 113, 25}},
    {"cmdDeleteFile",
     "D&elete file from list",
     "Click here to delete the selected file from the list",
     0,
     {248, 200, 113, 25}},
    {"Label1", "Quality", "", 1, {48, 35, 41, 16}},
    {"cmbQuality", "Normal", "", 1, {24, 56, 117, 21}},
    {"Label2", "Bitrate", "", 1, {184, 35, 38, 16}},
    {"cmbBitrate", "128", "Select the bitrate of the mp3", 1, {173, 56, 65, 21}},
    {"lblType", "Mode", "", 1, {288, 35, 35, 16}},
    {"cmbMode", "Stereo", "Select the stereo mode of the mp3", 1, {272, 56, 73, 21}},
    {"Line3", "", "", 1, {16, 91, 345, 1}},
    {"Line4", "", "", 1, {16, 92, 345, 1}},
    {"chkCRC", "Include checksum data (CRC) in MP3 file", nullptr, 1, {32, 104, 217, 17}},
    {"chkPrivateBit", "Set the private-bit in the output file", nullptr, 1, {32, 128, 185, 17}},
    {"chkCopyrightBit", "Set the copyright-bit in the output file", nullptr, 1, {32, 152, 201, 17}},
    {"chkOriginalBit", "Clear the original-bit in the output file", nullptr, 1, {32, 176, 193, 17}},
    {"chkDelete", "Delete source file after succesfully encoding", nullptr, 1, {32, 200, 233, 17}},
    {"cmdGo", "&Go!", "Click here to start the encoding process", 2, {8, 200, 185, 25}},
    {"cmdAbort", "&Abort", "Click here to abort the encoding process", 2, {192, 200, 177, 25}},
    {"Frame1", "Partial", "", 2, {8, 24, 361, 169}},
    {"Label3(0)", "", "", -1, {16, 24, 329, 17}},
    {"lblProgres", "0%", "", -1, {16, 24, 0, 17}},
    {"Label22", "Elapsed Time:", "", -1, {104, 44, 88, 16}},
    {"lblTimpTrecutPartial", "00:00:00", "Partial elapsed time", -1, {224, 44, 48, 16}},
    {"Label23", "Estimated Time:", "", -1, {104, 64, 97, 16}},
    {"lblTimpEstimatPartial", "00:00:00", "Partial estimated time", -1, {224, 64, 48, 16}},
    {"Frame2", "Total", "", 2, {16, 104, 345, 89}},
    {"Label3(1)", "", "", -1, {8, 24, 329, 17}},
    {"lblTotal", "0%", "", -1, {8, 24, 0, 17}},
    {"Label7", "Elapsed Time:", "", -1, {96, 48, 88, 16}},
    {"lblTimpTrecut", "00:00:00", "Total elapsed time", -1, {216, 48, 48, 16}},
    {"Label8", "Estimated Time:", "", -1, {96, 67, 97, 16}},
    {"lblTimpEstimat", "00:00:00", "Total estimated time", -1, {216, 67, 48, 16}},
    {"Image2", "", "", 3, {8, 32, 74, 144}},
    {"Frame3", "Version", "", 3, {88, 24, 281, 81}},
    {"Label15", "Tarn MP3 Encoder v2.12", "", -1, {48, 16, 185, 20}},
    {"Frame4", "Contact", "", 3, {88, 112, 281, 67}},
    {"Image1", "", "", -1, {16, 16, 24, 24}},
    {"Label12", "E-Mail:", "", -1, {48, 19, 41, 16}},
    {"lblEMail", "tarn@example.org", "Send us an e-mail", -1, {96, 19, 148, 16}},
    {"Picture2", "", "", -1, {19, 40, 25, 25}},
    {"Label13", "Web:", "", -1, {48, 43, 41, 17}},
    {"lblWWW", "https://tarn.example.org/", "Visit our website", -1, {96, 40, 164, 16}},
    {"cmdHelp", "&Help", "View help file", -1, {0, 296, 193, 25}},
    {"cmdExit", "E&xit", "Exit to Windows", -1, {192, 296, 185, 25}},
};

QString ShownText(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        return combo->currentText();
    }
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        return frame->title();
    }
    return {};
}

class WindowTest : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(desktopScale.TwipsPerPixel(), 15.0) << "these tests expect 96 dots per inch";
        Start();
    }
    TwipsScale desktopScale{QtDesktop().ScreenTwipsPerPixelY()};
};

TEST_F(WindowTest, EveryControlShowsItsCaptionTooltipPlaceAndState) {
    ASSERT_EQ(std::size(kInventory) + 4, form.Controls().size()) << "the table misses controls";
    auto* tabs = W<TabControlWidget>(form.SSTab1);
    const QStringList disabled{"cmdClearList", "cmdDeleteFile", "cmdGo", "cmdAbort"};
    for (const Expected& row : kInventory) {
        SCOPED_TRACE(row.name);
        QWidget* widget = window.WidgetNamed(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(ShownText(widget), QString::fromUtf8(row.text));
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.toolTip ? row.toolTip : row.text));
        EXPECT_EQ(widget->geometry(), row.pixels);
        EXPECT_EQ(widget->isEnabled(), !disabled.contains(QString::fromLatin1(row.name)));
        EXPECT_FALSE(widget->isHidden());
        if (row.page >= 0) {
            EXPECT_EQ(widget->parentWidget(), tabs->Page(row.page));
            EXPECT_EQ(widget->isVisible(), row.page == 0);
        }
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            EXPECT_EQ(box->checkState(), Qt::Unchecked);
        }
    }
    EXPECT_EQ(tabs->Current(), 0);
    const auto timers = window.findChildren<TimerBinding*>();
    EXPECT_EQ(timers.size(), 3);
    for (const TimerBinding* timer : timers) {
        EXPECT_FALSE(timer->Qtimer().isActive()) << timer->objectName().toStdString();
    }
}

TEST_F(WindowTest, FontsAreTheSubstituteFaceAtTheirSizes) {
    for (forms::Control* control : form.Controls()) {
        if (control->Kind() == forms::ControlKind::Line ||
            control->Kind() == forms::ControlKind::Picture) {
            continue;
        }
        SCOPED_TRACE(control->Name());
        const QFont font = W(*control)->font();
        const bool bar = control == &form.lblProgres || control == &form.lblTotal;
        const bool version = control == &form.Label15;
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans Narrow"));
        EXPECT_EQ(font.pixelSize(), version ? 15 : 12);
        EXPECT_EQ(font.bold(), bar || version);
    }
}

QAccessibleInterface* Accessible(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_NE(accessible, nullptr);
    return accessible;
}

void DoAction(QAccessibleInterface* accessible, const QString& action) {
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr)
        << accessible->text(QAccessible::Name).toStdString();
    ASSERT_TRUE(accessible->actionInterface()->actionNames().contains(action))
        << action.toStdString();
    accessible->actionInterface()->doAction(action);
}

// Each way a user can change a control (the mouse, the keyboard, an assistive tool's action or
// selection) reaches the model, and so the option or the handler behind it.
TEST_F(WindowTest, EveryInputPathReachesTheModel) {
    WriteWav(folder.File("a.wav"), WavSpec{});
    WriteWav(folder.File("b.wav"), WavSpec{});
    AddThroughButton(folder.File("a.wav"));
    AddThroughButton(folder.File("b.wav"));
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();

    struct Case {
        const char* how;
        int tab;
        std::function<void()> act;
        std::function<bool()> reached;
    };
    const Case cases[] = {
        {"tab through its page tab", 1,
         [&] { DoAction(Accessible(W<TabControlWidget>(form.SSTab1)->TabBar())->child(2), press); },
         [&] {
             return form.SSTab1.Tab() == 2;
         }},
        {"check box by mouse", 1, [&] { Click(form.chkCRC); },
         [&] {
             return form.chkCRC.Value() == forms::Checked;
         }},
        {"check box by keyboard", 1,
         [&] {
             W(form.chkPrivateBit)->setFocus();
             QTest::keyClick(W(form.chkPrivateBit), Qt::Key_Space);
         },
         [&] {
             return form.chkPrivateBit.Value() == forms::Checked;
         }},
        {"check box by an assistive toggle", 1,
         [&] { DoAction(Accessible(W(form.chkCopyrightBit)), toggle); },
         [&] {
             return form.chkCopyrightBit.Value() == forms::Checked;
         }},
        {"check box on the first page by an assistive toggle", 0,
         [&] { DoAction(Accessible(W(form.chkFullPath)), toggle); },
         [&] {
             return form.chkFullPath.Value() == forms::Checked;
         }},
        {"drop-down list by keyboard", 1,
         [&] {
             W(form.cmbBitrate)->setFocus();
             QTest::keyClick(W(form.cmbBitrate), Qt::Key_Down);
         },
         [&] {
             return form.cmbBitrate.Text() == "160";
         }},
        {"drop-down list through its opened list", 1,
         [&] {
             auto* quality = W<QComboBox>(form.cmbQuality);
             DoAction(Accessible(quality), press);
             QTest::keyClick(quality->view(), Qt::Key_Down);
             QTest::keyClick(quality->view(), Qt::Key_Return);
         },
         [&] {
             return form.cmbQuality.Text() == "High";
         }},
        {"list row by an assistive selection", 0,
         [&] {
             QAccessibleInterface* list = Accessible(W(form.lstOpenFileName));
             ASSERT_NE(list->tableInterface(), nullptr);
             DoAction(list->tableInterface()->cellAt(1, 0), toggle);
         },
         [&] {
             return form.lstOpenFileName.ListIndex() == 1;
         }},
        {"button pressed by an assistive tool", 0,
         [&] { DoAction(Accessible(W(form.cmdHelp)), press); },
         [&] {
             return fakes.helpRequests.size() == 1;
         }},
        {"link by keyboard", 3,
         [&] {
             W(form.lblEMail)->setFocus();
             QTest::keyClick(W(form.lblEMail), Qt::Key_Return);
         },
         [&] {
             return fakes.shellRequests.size() == 1;
         }},
        {"link pressed by an assistive tool", 3,
         [&] { DoAction(Accessible(W(form.lblWWW)), press); },
         [&] {
             return fakes.shellRequests.size() == 2 &&
                    fakes.shellRequests[1].target == "https://tarn.example.org/";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        SwitchToTab(c.tab);
        c.act();
        EXPECT_TRUE(ProcessEventsUntil(c.reached));
    }
    // The list's selection goes on to the handler: the chosen row is the one removed.
    SwitchToTab(0);
    Click(form.cmdDeleteFile);
    ASSERT_EQ(form.lstOpenFileName.ListCount(), 1);
    EXPECT_EQ(form.lstOpenFileName.List(0), "a.wav");
    // The model's own changes do not come back as the user's: refilling the rows keeps the
    // selected one.
    auto* names = W<QListWidget>(form.lstOpenFileName);
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                      names->visualItemRect(names->item(0)).center());
    ASSERT_EQ(form.lstOpenFileName.ListIndex(), 0);
    AddThroughButton(folder.File("b.wav"));
    ASSERT_EQ(form.lstOpenFileName.ListCount(), 2);
    EXPECT_EQ(form.lstOpenFileName.ListIndex(), 0);
}

TEST_F(WindowTest, ModelChangesReachTheWidgets) {
    form.chkDelete.SetValue(forms::Grayed);
    EXPECT_EQ(W<QCheckBox>(form.chkDelete)->checkState(), Qt::PartiallyChecked);
    form.cmbMode.SetListIndex(0);
    EXPECT_EQ(W<QComboBox>(form.cmbMode)->currentText(), QStringLiteral("Mono"));
    form.SSTab1.SetTab(2);
    EXPECT_TRUE(W<TabControlWidget>(form.SSTab1)->Page(2)->isVisible());
    form.cmdGo.SetEnabled(true);
    EXPECT_TRUE(W(form.cmdGo)->isEnabled());
    form.lblTimpTrecut.SetCaption("<b>01:02:03</b>");
    EXPECT_EQ(W<QLabel>(form.lblTimpTrecut)->text(), QStringLiteral("<b>01:02:03</b>"));
    EXPECT_EQ(W<QLabel>(form.lblTimpTrecut)->textFormat(), Qt::PlainText);
    form.Label20.SetVisible(false);
    EXPECT_TRUE(W(form.Label20)->isHidden());
}

TEST_F(WindowTest, HoverFocusesEnabledButtonsOnly) {
    QTest::mouseMove(W(form.cmdOpen), W(form.cmdOpen)->rect().center());
    EXPECT_EQ(form.ActiveControl(), &form.cmdOpen);
    EXPECT_TRUE(W(form.cmdOpen)->hasFocus());

    QTest::mouseMove(W(form.chkFullPath), W(form.chkFullPath)->rect().center());
    EXPECT_TRUE(W(form.chkFullPath)->hasFocus());
    // A list takes no focus on hover; a disabled button neither.
    QTest::mouseMove(W(form.lstOpenFileName), W(form.lstOpenFileName)->rect().center());
    QTest::mouseMove(W(form.cmdClearList), W(form.cmdClearList)->rect().center());
    EXPECT_EQ(form.ActiveControl(), &form.chkFullPath);
    EXPECT_TRUE(W(form.chkFullPath)->hasFocus());
}

TEST_F(WindowTest, HasNoCloseButtonAndAWindowManagerCloseIsRefusedWhileAJobRuns) {
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    WavSpec fiveSeconds;
    fiveSeconds.frames = 5 * 44100;
    WriteWav(folder.File("my song.wav"), fiveSeconds);
    AddThroughButton(folder.File("my song.wav"));
    SwitchToTab(2);

    // The first time the job lets events through, the window manager asks to close.
    bool jobActiveAtClose = false;
    bool closedDuringJob = true;
    QTimer::singleShot(0, &window, [&] {
        jobActiveAtClose = form.JobActive();
        closedDuringJob = window.close();
    });
    Click(form.cmdGo);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.JobActive(); }));
    EXPECT_TRUE(jobActiveAtClose);
    EXPECT_FALSE(closedDuringJob);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(form.Loaded());

    AddThroughButton(folder.File("my song.wav"));
    ASSERT_TRUE(std::filesystem::exists(folder.File("mysong.wav")));
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
}

} // namespace
} // namespace tarn::gui::testing