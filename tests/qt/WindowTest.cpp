#include "WindowFixture.h"
#include "qt/TabControlWidget.h"
#include "support/WavWriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <filesystem>

namespace tarn::gui::testing {
namespace {

using ::tarn::testing::WavSpec;
using ::tarn::testing::WriteWav;

struct Expected {
    const char* name;
    const char* widgetClass;
    const char* text;
    const char* toolTip;
    // The page of the tab control holding it, or -1 when it lies elsewhere.
    int page;
    QRect pixels;
    bool enabled;
};

// Every control at 96 dots per inch: the model's twips divided by 15, relative to the widget of
// its container (the tab control's page covers the whole tab control).
const Expected kInventory[] = {
    {"SSTab1", "tarn::gui::TabControlWidget", "", "", -1, {0, 64, 377, 233}, true},
    {"Label20", "QLabel", "File Name:", "", 0, {80, 35, 65, 16}, true},
    {"Label21", "QLabel", "File size:", "", 0, {272, 35, 52, 16}, true},
    {"lstOpenFileName",
     "QListWidget",
     "",
     "List of files which will be encoded",
     0,
     {8, 56, 233, 106},
     true},
    {"lstOpenFileSize", "QListWidget", "", "List of the file's size", 0, {240, 56, 121, 106}, true},
    {"chkFullPath",
     "QCheckBox",
     "Show full path in the list",
     "Select this option to show the full path of the file in the list",
     0,
     {8, 168, 135, 17},
     true},
    {"cmdOpen",
     "QPushButton",
     "A&dd file to list",
     "Click here to add a file to list",
     0,
     {8, 200, 129, 25},
     true},
    {"cmdClearList",
     "QPushButton",
     "&Clear list",
     "Click here to remove all the files from the list",
     0,
     {136, 200, 113, 25},
     false},
    {"cmdDeleteFile",
     "QPushButton",
     "D&elete file from list",
     "Click here to delete the selected file from the list",
     0,
     {248, 200, 113, 25},
     false},
    {"Label1", "QLabel", "Quality", "", 1, {48, 35, 41, 16}, true},
    {"cmbQuality", "QComboBox", "Normal", "", 1, {24, 56, 117, 21}, true},
    {"Label2", "QLabel", "Bitrate", "", 1, {184, 35, 38, 16}, true},
    {"cmbBitrate", "QComboBox", "128", "Select the bitrate of the mp3", 1, {173, 56, 65, 21}, true},
    {"lblType", "QLabel", "Mode", "", 1, {288, 35, 35, 16}, true},
    {"cmbMode",
     "QComboBox",
     "Stereo",
     "Select the stereo mode of the mp3",
     1,
     {272, 56, 73, 21},
     true},
    {"Line3", "tarn::gui::LineWidget", "", "", 1, {16, 91, 345, 1}, true},
    {"Line4", "tarn::gui::LineWidget", "", "", 1, {16, 92, 345, 1}, true},
    {"chkCRC",
     "QCheckBox",
     "Include checksum data (CRC) in MP3 file",
     "Include checksum data (CRC) in MP3 file",
     1,
     {32, 104, 217, 17},
     true},
    {"chkPrivateBit",
     "QCheckBox",
     "Set the private-bit in the output file",
     "Set the private-bit in the output file",
     1,
     {32, 128, 185, 17},
     true},
    {"chkCopyrightBit",
     "QCheckBox",
     "Set the copyright-bit in the output file",
     "Set the copyright-bit in the output file",
     1,
     {32, 152, 201, 17},
     true},
    {"chkOriginalBit",
     "QCheckBox",
     "Clear the original-bit in the output file",
     "Clear the original-bit in the output file",
     1,
     {32, 176, 193, 17},
     true},
    {"chkDelete",
     "QCheckBox",
     "Delete source file after succesfully encoding",
     "Delete source file after succesfully encoding",
     1,
     {32, 200, 233, 17},
     true},
    {"cmdGo",
     "QPushButton",
     "&Go!",
     "Click here to start the encoding process",
     2,
     {8, 200, 185, 25},
     false},
    {"cmdAbort",
     "QPushButton",
     "&Abort",
     "Click here to abort the encoding process",
     2,
     {192, 200, 177, 25},
     false},
    {"Frame1", "tarn::gui::FrameWidget", "Partial", "", 2, {8, 24, 361, 169}, true},
    {"Label3(0)", "QLabel", "", "", -1, {16, 24, 329, 17}, true},
    {"lblProgres", "QLabel", "0%", "", -1, {16, 24, 0, 17}, true},
    {"Label22", "QLabel", "Elapsed Time:", "", -1, {104, 44, 88, 16}, true},
    {"lblTimpTrecutPartial",
     "QLabel",
     "00:00:00",
     "Partial elapsed time",
     -1,
     {224, 44, 48, 16},
     true},
    {"Label23", "QLabel", "Estimated Time:", "", -1, {104, 64, 97, 16}, true},
    {"lblTimpEstimatPartial",
     "QLabel",
     "00:00:00",
     "Partial estimated time",
     -1,
     {224, 64, 48, 16},
     true},
    {"Frame2", "tarn::gui::FrameWidget", "Total", "", 2, {16, 104, 345, 89}, true},
    {"Label3(1)", "QLabel", "", "", -1, {8, 24, 329, 17}, true},
    {"lblTotal", "QLabel", "0%", "", -1, {8, 24, 0, 17}, true},
    {"Label7", "QLabel", "Elapsed Time:", "", -1, {96, 48, 88, 16}, true},
    {"lblTimpTrecut", "QLabel", "00:00:00", "Total elapsed time", -1, {216, 48, 48, 16}, true},
    {"Label8", "QLabel", "Estimated Time:", "", -1, {96, 67, 97, 16}, true},
    {"lblTimpEstimat", "QLabel", "00:00:00", "Total estimated time", -1, {216, 67, 48, 16}, true},
    {"Image2", "QLabel", "", "", 3, {8, 32, 74, 144}, true},
    {"Frame3", "tarn::gui::FrameWidget", "Version", "", 3, {88, 24, 281, 81}, true},
    {"Label15", "QLabel", "Tarn MP3 Encoder v2.12", "", -1, {48, 16, 185, 20}, true},
    {"Frame4", "tarn::gui::FrameWidget", "Contact", "", 3, {88, 112, 281, 67}, true},
    {"Image1", "QLabel", "", "", -1, {16, 16, 24, 24}, true},
    {"Label12", "QLabel", "E-Mail:", "", -1, {48, 19, 41, 16}, true},
    {"lblEMail", "QLabel", "tarn@example.org", "Send us an e-mail", -1, {96, 19, 148, 16}, true},
    {"Picture2", "QLabel", "", "", -1, {19, 40, 25, 25}, true},
    {"Label13", "QLabel", "Web:", "", -1, {48, 43, 41, 17}, true},
    {"lblWWW",
     "QLabel",
     "https://tarn.example.org/",
     "Visit our website",
     -1,
     {96, 40, 164, 16},
     true},
    {"cmdHelp", "QPushButton", "&Help", "View help file", -1, {0, 296, 193, 25}, true},
    {"cmdExit", "QPushButton", "E&xit", "Exit to Windows", -1, {192, 296, 185, 25}, true},
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
    for (const Expected& row : kInventory) {
        SCOPED_TRACE(row.name);
        QWidget* widget = window.WidgetNamed(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.widgetClass);
        EXPECT_EQ(widget->objectName(), QString::fromLatin1(row.name));
        EXPECT_EQ(ShownText(widget), QString::fromUtf8(row.text));
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.toolTip));
        EXPECT_EQ(widget->geometry(), row.pixels);
        EXPECT_EQ(widget->isEnabled(), row.enabled);
        EXPECT_FALSE(widget->isHidden());
        if (row.page >= 0) {
            EXPECT_EQ(widget->parentWidget(), tabs->Page(row.page));
        }
    }
}

TEST_F(WindowTest, ControlsInFramesLieInTheirFrame) {
    const std::pair<forms::Control*, forms::Frame*> placed[] = {
        {&form.lblProgres, &form.Frame1},
        {&form.Label3[0], &form.Frame1},
        {&form.lblTimpEstimatPartial, &form.Frame1},
        {&form.lblTotal, &form.Frame2},
        {&form.Label3[1], &form.Frame2},
        {&form.lblTimpEstimat, &form.Frame2},
        {&form.Label15, &form.Frame3},
        {&form.lblWWW, &form.Frame4},
        {&form.Picture2, &form.Frame4},
    };
    for (const auto& [control, frame] : placed) {
        EXPECT_EQ(W(*control)->parentWidget(), W(*frame)) << control->Name();
    }
    // The window-level controls, by their place on screen.
    EXPECT_EQ(W(form.cmdOpen)->mapTo(&window, QPoint(0, 0)), QPoint(8, 64 + 200));
    EXPECT_EQ(W(form.lblTimpTrecut)->mapTo(&window, QPoint(0, 0)), QPoint(16 + 216, 64 + 104 + 48));
}

TEST_F(WindowTest, TheWindowIsFixedCentredCaptionedAndHasNoCloseButton) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarn MP3 Encoder"));
    EXPECT_EQ(window.size(), QSize(376, 320));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowTitleHint));
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE((window.geometry().center() - screen.center()).manhattanLength(), 2);
    EXPECT_FALSE(window.windowIcon().isNull());
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

TEST_F(WindowTest, StartsWithTheDefaultsOnTheOpenFileTab) {
    auto* tabs = W<TabControlWidget>(form.SSTab1);
    EXPECT_EQ(tabs->Current(), 0);
    const QStringList captions{"Open File", "Options", "Encode", "About "};
    ASSERT_EQ(tabs->TabBar()->count(), 4);
    for (int tab = 0; tab < 4; ++tab) {
        EXPECT_EQ(tabs->TabBar()->tabText(tab), captions[tab]);
        EXPECT_EQ(tabs->Page(tab)->isVisible(), tab == 0) << tab;
        // The tabs share the strip's width.
        EXPECT_NEAR(tabs->TabBar()->tabRect(tab).width(), 377 / 4, 1) << tab;
    }
    EXPECT_LE(tabs->StripHeight(), 24) << "the strip must end above the first controls";

    const std::pair<forms::ComboBox*, QStringList> combos[] = {
        {&form.cmbQuality,
         {"Low", "Normal", "High", "Voice", "Phone", "Radio", "Tape", "Hifi", "CD", "Studio"}},
        {&form.cmbBitrate,
         {"32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224", "256",
          "320"}},
        {&form.cmbMode, {"Mono", "Stereo"}},
    };
    for (const auto& [combo, items] : combos) {
        auto* widget = W<QComboBox>(*combo);
        EXPECT_FALSE(widget->isEditable());
        QStringList shown;
        for (int i = 0; i < widget->count(); ++i) {
            shown.append(widget->itemText(i));
        }
        EXPECT_EQ(shown, items) << combo->Name();
        EXPECT_EQ(widget->currentIndex(), combo->ListIndex());
    }
    for (forms::CheckBox* box : {&form.chkFullPath, &form.chkCRC, &form.chkPrivateBit,
                                 &form.chkCopyrightBit, &form.chkOriginalBit, &form.chkDelete}) {
        EXPECT_EQ(W<QCheckBox>(*box)->checkState(), Qt::Unchecked) << box->Name();
    }
    EXPECT_EQ(W<QListWidget>(form.lstOpenFileName)->count(), 0);
    EXPECT_EQ(W<QListWidget>(form.lstOpenFileSize)->count(), 0);
    for (const QObject* timer : window.findChildren<TimerBinding*>()) {
        EXPECT_FALSE(static_cast<const TimerBinding*>(timer)->Qtimer().isActive())
            << timer->objectName().toStdString();
    }
    EXPECT_EQ(window.findChildren<TimerBinding*>().size(), 3);
}

TEST_F(WindowTest, BarsAreBlueWithWhiteTextOverWhiteTracksAndLinksAreHands) {
    for (forms::Label* bar : {&form.lblProgres, &form.lblTotal}) {
        auto* widget = W<QLabel>(*bar);
        EXPECT_TRUE(widget->autoFillBackground());
        EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(0, 0, 255));
        EXPECT_EQ(widget->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        EXPECT_TRUE(widget->alignment().testFlag(Qt::AlignHCenter));
    }
    for (forms::Label& track : form.Label3) {
        EXPECT_TRUE(W(track)->autoFillBackground());
        EXPECT_EQ(W(track)->palette().color(QPalette::Window), QColor(255, 255, 255));
        // The bar lies over its track.
        const QWidgetList siblings =
            W(track)->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        EXPECT_LT(siblings.indexOf(W(track)),
                  siblings.indexOf(W(&track == &form.Label3[0] ? form.lblProgres : form.lblTotal)));
    }
    for (forms::Label* link : {&form.lblEMail, &form.lblWWW}) {
        EXPECT_EQ(W(*link)->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        EXPECT_EQ(W(*link)->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_FALSE(W<QLabel>(form.Image2)->pixmap().isNull());
    EXPECT_EQ(W<QLabel>(form.Image2)->pixmap().size(), QSize(74, 144));
    EXPECT_EQ(W<QLabel>(form.Picture2)->pixmap().size(), QSize(20, 20));
}

TEST_F(WindowTest, BarWidthFollowsTheModelsFractionalTwips) {
    // 42 % of the full 4935 twips is 2072.7 twips, 138 pixels; above 100 % the bar overruns.
    const std::pair<float, int> widths[] = {
        {2072.7F, 138}, {4935.0F, 329}, {5083.05F, 339}, {0.0F, 0}};
    for (const auto& [twips, pixels] : widths) {
        form.lblProgres.SetWidth(twips);
        form.lblTotal.SetWidth(twips);
        EXPECT_EQ(W(form.lblProgres)->width(), pixels) << twips;
        EXPECT_EQ(W(form.lblTotal)->width(), pixels) << twips;
    }
    form.lblTotal.SetCaption("42%");
    EXPECT_EQ(W<QLabel>(form.lblTotal)->text(), QStringLiteral("42%"));
}

TEST_F(WindowTest, AccessibleNamesComeFromCaptionsOrTooltips) {
    const std::pair<forms::Control*, const char*> names[] = {
        {&form.cmdOpen, "Add file to list"},
        {&form.chkFullPath, "Show full path in the list"},
        {&form.Label20, "File Name:"},
        {&form.lstOpenFileName, "List of files which will be encoded"},
        {&form.lstOpenFileSize, "List of the file's size"},
        {&form.cmbBitrate, "Select the bitrate of the mp3"},
        {&form.lblTimpTrecutPartial, "Partial elapsed time"},
        {&form.lblTimpEstimat, "Total estimated time"},
        {&form.Frame1, "Partial"},
        {&form.cmdExit, "Exit"},
        {&form.lblEMail, "Send us an e-mail"},
    };
    for (const auto& [control, name] : names) {
        EXPECT_EQ(W(*control)->accessibleName(), QString::fromUtf8(name)) << control->Name();
    }
    form.cmdOpen.SetCaption("Add &more && more");
    EXPECT_EQ(W(form.cmdOpen)->accessibleName(), QStringLiteral("Add more & more"));
}

TEST_F(WindowTest, UserActionsReachTheModels) {
    SwitchToTab(1);
    EXPECT_EQ(form.SSTab1.Tab(), 1);
    EXPECT_TRUE(W<TabControlWidget>(form.SSTab1)->Page(1)->isVisible());
    EXPECT_FALSE(W<TabControlWidget>(form.SSTab1)->Page(0)->isVisible());

    Click(form.chkCRC);
    EXPECT_EQ(form.chkCRC.Value(), forms::Checked);
    Click(form.chkCRC);
    EXPECT_EQ(form.chkCRC.Value(), forms::Unchecked);

    auto* bitrate = W<QComboBox>(form.cmbBitrate);
    bitrate->setFocus();
    QTest::keyClick(bitrate, Qt::Key_Down);
    EXPECT_EQ(form.cmbBitrate.Text(), "160");
    QTest::keyClick(bitrate, Qt::Key_Up);
    QTest::keyClick(bitrate, Qt::Key_Up);
    EXPECT_EQ(form.cmbBitrate.Text(), "112");

    // A label has no click signal of its own; the link still opens.
    SwitchToTab(3);
    Click(form.lblWWW);
    ASSERT_EQ(fakes.shellRequests.size(), 1U);
    EXPECT_EQ(fakes.shellRequests[0].target, "https://tarn.example.org/");
}

TEST_F(WindowTest, ModelChangesReachTheWidgets) {
    form.chkDelete.SetValue(forms::Checked);
    EXPECT_EQ(W<QCheckBox>(form.chkDelete)->checkState(), Qt::Checked);
    form.chkDelete.SetValue(forms::Grayed);
    EXPECT_EQ(W<QCheckBox>(form.chkDelete)->checkState(), Qt::PartiallyChecked);
    form.cmbMode.SetListIndex(0);
    EXPECT_EQ(W<QComboBox>(form.cmbMode)->currentText(), QStringLiteral("Mono"));
    form.SSTab1.SetTab(2);
    EXPECT_EQ(W<TabControlWidget>(form.SSTab1)->Current(), 2);
    EXPECT_TRUE(W<TabControlWidget>(form.SSTab1)->Page(2)->isVisible());
    // A disabled button shows its caption greyed, not in the model's colour.
    const QPalette& palette = W(form.cmdGo)->palette();
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::ButtonText),
              palette.color(QPalette::Active, QPalette::ButtonText));
    form.cmdGo.SetEnabled(true);
    EXPECT_TRUE(W(form.cmdGo)->isEnabled());
    form.lblTimpTrecut.SetCaption("01:02:03");
    EXPECT_EQ(W<QLabel>(form.lblTimpTrecut)->text(), QStringLiteral("01:02:03"));
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

TEST_F(WindowTest, AddSelectDeleteAndClearThroughTheWidgets) {
    const std::string songs[] = {"my song.wav", "b-side.wav", "plain.wav"};
    for (const std::string& song : songs) {
        WriteWav(folder.File(song), WavSpec{});
        AddThroughButton(folder.File(song));
    }
    ASSERT_TRUE(fakes.Messages().empty()) << fakes.Messages().front().Text;
    auto* names = W<QListWidget>(form.lstOpenFileName);
    ASSERT_EQ(names->count(), 3);
    EXPECT_EQ(names->item(0)->text(), QStringLiteral("my song.wav"));
    EXPECT_EQ(W<QListWidget>(form.lstOpenFileSize)->item(0)->text(),
              QStringLiteral("17,684 bytes"));
    EXPECT_TRUE(W(form.cmdDeleteFile)->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(folder.File("bside.wav")));

    QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                      names->visualItemRect(names->item(1)).center());
    EXPECT_EQ(form.lstOpenFileName.ListIndex(), 1);
    Click(form.cmdDeleteFile);
    EXPECT_EQ(names->count(), 2);
    EXPECT_EQ(names->item(1)->text(), QStringLiteral("plain.wav"));
    EXPECT_TRUE(std::filesystem::exists(folder.File("b-side.wav")));

    Click(form.cmdClearList);
    EXPECT_EQ(names->count(), 0);
    EXPECT_EQ(W<QListWidget>(form.lstOpenFileSize)->count(), 0);
    EXPECT_FALSE(W(form.cmdClearList)->isEnabled());
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"b-side.wav", "instance.lock",
                                                        "my song.wav", "plain.wav"}));
}

TEST_F(WindowTest, ExitUnloadsTheWindowAndGivesNamesBack) {
    WriteWav(folder.File("my song.wav"), WavSpec{});
    AddThroughButton(folder.File("my song.wav"));
    ASSERT_TRUE(std::filesystem::exists(folder.File("mysong.wav")));

    Click(form.cmdExit);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(window.Unloaded());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
}

TEST_F(WindowTest, WindowManagerCloseIsRefusedWhileAJobRunsAndActsAsExitOtherwise) {
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

TEST_F(WindowTest, FileNamesShowAsTheyAreNotAsMarkup) {
    const std::string odd = "<b>x<br> & y.wav";
    WriteWav(folder.File(odd), WavSpec{});
    AddThroughButton(folder.File(odd));
    ASSERT_EQ(W<QListWidget>(form.lstOpenFileName)->count(), 1);
    EXPECT_EQ(W<QListWidget>(form.lstOpenFileName)->item(0)->text(), QString::fromStdString(odd));
    form.lblTimpTrecut.SetCaption(odd);
    EXPECT_EQ(W<QLabel>(form.lblTimpTrecut)->textFormat(), Qt::PlainText);
}

} // namespace
} // namespace tarn::gui::testing
