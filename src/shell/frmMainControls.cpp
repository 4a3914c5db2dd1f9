// The control inventory of the main window: captions, tooltips, positions in twips and the
// state every control has when the window is created.
#include "shell/AppInfo.h"
#include "shell/frmMain.h"

#include <string>
#include <tuple>

namespace tarn {

namespace {

constexpr int kOpenFileTab = 0;
constexpr int kOptionsTab = 1;
constexpr int kEncodeTab = 2;
constexpr int kAboutTab = 3;

constexpr forms::Color kDarkGray = forms::Rgb(128, 128, 128);
constexpr forms::Color kBarBlue = forms::Rgb(0, 0, 255);
constexpr forms::Color kLinkBlue = forms::Rgb(0, 0, 192);

void Place(forms::Control& control, forms::Control* container, int page, float left, float top,
           float width, float height) {
    if (container != nullptr) {
        control.PlaceIn(*container, page);
    }
    control.Move(left, top, width, height);
}

void SetText(forms::CaptionedControl& control, const char* caption, const char* toolTip = "") {
    control.SetCaption(caption);
    control.SetToolTipText(toolTip);
}

void Items(forms::ListControl& list, std::initializer_list<const char*> items) {
    for (const char* item : items) {
        list.AddItem(item);
    }
}

// A progress bar: white bold text on blue over a white track of the same place.
void Bar(forms::Label& track, forms::Label& bar, forms::Frame& frame) {
    Place(track, &frame, -1, bar.Left(), 360, 4935, 255);
    track.SetOpaque(true);
    track.SetBackColor(forms::kWhite);
    Place(bar, &frame, -1, bar.Left(), 360, 4935, 255);
    bar.SetCaption("0%");
    bar.SetOpaque(true);
    bar.SetBackColor(kBarBlue);
    bar.SetForeColor(forms::kWhite);
    bar.SetFont({"MS Sans Serif", 9.75F, true});
    bar.SetAlignment(forms::Alignment::Center);
}

// A time of a progress panel, with its caption 1800 twips to its left.
struct TimeRow {
    forms::Label& caption;
    forms::Label& time;
    float top;
};

// A progress panel, "Partial" or "Total": its frame's title, the bar over its track, and the
// elapsed and estimated times.
void ProgressPanel(forms::Frame& frame, const std::string& title, forms::Label& track,
                   forms::Label& bar, float barLeft, float captionLeft, TimeRow elapsed,
                   TimeRow estimated) {
    SetText(frame, title.c_str());
    bar.SetLeft(barLeft);
    Bar(track, bar, frame);
    for (const auto& [row, caption, what, width] :
         {std::tuple{elapsed, "Elapsed Time:", " elapsed time", 1320.0F},
          std::tuple{estimated, "Estimated Time:", " estimated time", 1455.0F}}) {
        Place(row.caption, &frame, -1, captionLeft, row.top, width, 240);
        SetText(row.caption, caption);
        Place(row.time, &frame, -1, captionLeft + 1800, row.top, 720, 240);
        SetText(row.time, "00:00:00", (title + what).c_str());
    }
}

} // namespace

// NOLINTNEXTLINE(readability-function-size): one table of controls, read top to bottom
void frmMain::CreateControls() {
    Caption = kAppTitle;

    // The bevelled box of the title: dark on the top and left, white on the bottom and right.
    Line1.SetEnds(120, 120, 5520, 120);
    Line2.SetEnds(120, 120, 120, 840);
    Line5.SetEnds(120, 840, 5520, 840);
    Line6.SetEnds(5520, 120, 5520, 840);
    Line1.SetBorderColor(kDarkGray);
    Line2.SetBorderColor(kDarkGray);
    Line5.SetBorderColor(forms::kWhite);
    Line6.SetBorderColor(forms::kWhite);

    Place(SSTab1, nullptr, -1, 0, 960, 5655, 3495);
    SSTab1.SetTabCaptions({"Open File", "Options", "Encode", "About "});

    // Tab "Open File"
    forms::Control* tab = &SSTab1;
    Place(Label20, tab, kOpenFileTab, 1200, 530, 975, 240);
    SetText(Label20, "File Name:");
    Place(Label21, tab, kOpenFileTab, 4080, 530, 780, 240);
    SetText(Label21, "File size:");
    Place(lstOpenFileName, tab, kOpenFileTab, 120, 840, 3495, 1590);
    lstOpenFileName.SetToolTipText("List of files which will be encoded");
    Place(lstOpenFileSize, tab, kOpenFileTab, 3600, 840, 1815, 1590);
    lstOpenFileSize.SetToolTipText("List of the file's size");
    Place(chkFullPath, tab, kOpenFileTab, 120, 2520, 2025, 255);
    SetText(chkFullPath, "Show full path in the list",
            "Select this option to show the full path of the file in the list");
    Place(cmdOpen, tab, kOpenFileTab, 120, 3000, 1935, 375);
    SetText(cmdOpen, "A&dd file to list", "Click here to add a file to list");
    Place(cmdClearList, tab, kOpenFileTab, 2040, 3000, 1695, 375);
    SetText(cmdClearList, "&Clear list", "Click here to remove all the files from the list");
    cmdClearList.SetEnabled(false);
    Place(cmdDeleteFile, tab, kOpenFileTab, 3720, 3000, 1695, 375);
    SetText(cmdDeleteFile, "D&elete file from list",
            "Click here to delete the selected file from the list");
    cmdDeleteFile.SetEnabled(false);

    // Tab "Options"
    Place(Label1, tab, kOptionsTab, 720, 525, 615, 240);
    SetText(Label1, "Quality");
    Place(cmbQuality, tab, kOptionsTab, 360, 840, 1755, 315);
    Items(cmbQuality,
          {"Low", "Normal", "High", "Voice", "Phone", "Radio", "Tape", "Hifi", "CD", "Studio"});
    Place(Label2, tab, kOptionsTab, 2760, 525, 570, 240);
    SetText(Label2, "Bitrate");
    Place(cmbBitrate, tab, kOptionsTab, 2595, 840, 975, 315);
    Items(cmbBitrate, {"32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224",
                       "256", "320"});
    cmbBitrate.SetToolTipText("Select the bitrate of the mp3");
    Place(lblType, tab, kOptionsTab, 4320, 530, 525, 240);
    SetText(lblType, "Mode");
    Place(cmbMode, tab, kOptionsTab, 4080, 840, 1095, 315);
    Items(cmbMode, {"Mono", "Stereo"});
    cmbMode.SetToolTipText("Select the stereo mode of the mp3");
    // An etched separator: a gray line with a white one a pixel below it.
    Line3.PlaceIn(SSTab1, kOptionsTab);
    Line3.SetEnds(240, 1360, 5400, 1360);
    Line3.SetBorderColor(kDarkGray);
    Line4.PlaceIn(SSTab1, kOptionsTab);
    Line4.SetEnds(240, 1375, 5400, 1375);
    Line4.SetBorderColor(forms::kWhite);
    struct OptionBox {
        forms::CheckBox& box;
        float top;
        float width;
        const char* caption;
    };
    const OptionBox optionBoxes[] = {
        {chkCRC, 1560, 3255, "Include checksum data (CRC) in MP3 file"},
        {chkPrivateBit, 1920, 2775, "Set the private-bit in the output file"},
        {chkCopyrightBit, 2280, 3015, "Set the copyright-bit in the output file"},
        {chkOriginalBit, 2640, 2895, "Clear the original-bit in the output file"},
        {chkDelete, 3000, 3495, "Delete source file after succesfully encoding"},
    };
    for (const auto& option : optionBoxes) {
        Place(option.box, tab, kOptionsTab, 480, option.top, option.width, 255);
        SetText(option.box, option.caption, option.caption);
    }

    // Tab "Encode"
    Place(cmdGo, tab, kEncodeTab, 120, 3000, 2775, 375);
    SetText(cmdGo, "&Go!", "Click here to start the encoding process");
    cmdGo.SetEnabled(false);
    Place(cmdAbort, tab, kEncodeTab, 2880, 3000, 2655, 375);
    SetText(cmdAbort, "&Abort", "Click here to abort the encoding process");
    cmdAbort.SetEnabled(false);
    Place(Frame1, tab, kEncodeTab, 120, 360, 5415, 2535);
    ProgressPanel(Frame1, "Partial", Label3[0], lblProgres, 240, 1560,
                  {Label22, lblTimpTrecutPartial, 660}, {Label23, lblTimpEstimatPartial, 960});
    Place(Frame2, tab, kEncodeTab, 240, 1560, 5175, 1335);
    ProgressPanel(Frame2, "Total", Label3[1], lblTotal, 120, 1440, {Label7, lblTimpTrecut, 720},
                  {Label8, lblTimpEstimat, 1000});

    // Tab "About "
    Place(Image2, tab, kAboutTab, 120, 480, 1110, 2160);
    Image2.SetPictureName("about");
    Place(Frame3, tab, kAboutTab, 1320, 360, 4215, 1215);
    SetText(Frame3, "Version");
    Place(Label15, &Frame3, -1, 720, 240, 2775, 300);
    SetText(Label15, kAppVersionCaption);
    Label15.SetFont({"MS Sans Serif", 12.0F, true});
    Place(Frame4, tab, kAboutTab, 1320, 1680, 4215, 1000);
    SetText(Frame4, "Contact");
    // Its rows: a picture, a caption and a link.
    struct InContact {
        forms::Control& control;
        float left;
        float top;
        float width;
        float height;
    };
    for (const InContact& placed : {InContact{Image1, 240, 240, 360, 360},
                                    {Label12, 720, 285, 615, 240},
                                    {lblEMail, 1440, 285, 2220, 240},
                                    {Picture2, 285, 600, 375, 375},
                                    {Label13, 720, 645, 615, 255},
                                    {lblWWW, 1440, 600, 2460, 240}}) {
        Place(placed.control, &Frame4, -1, placed.left, placed.top, placed.width, placed.height);
    }
    Image1.SetPictureName("mail");
    SetText(Label12, "E-Mail:");
    SetText(lblEMail, kContactEmail, "Send us an e-mail");
    Picture2.SetPictureName("web");
    SetText(Label13, "Web:");
    SetText(lblWWW, kWebSite, "Visit our website");
    for (forms::Label* link : {&lblEMail, &lblWWW}) {
        link->SetForeColor(kLinkBlue);
        link->SetHandCursor(true);
    }

    // Below the tabs
    Place(cmdHelp, nullptr, -1, 0, 4440, 2895, 375);
    SetText(cmdHelp, "&Help", "View help file");
    Place(cmdExit, nullptr, -1, 2880, 4440, 2775, 375);
    SetText(cmdExit, "E&xit", "Exit to Windows");

    for (forms::Control* control : std::initializer_list<forms::Control*>{&Line1,
                                                                          &Line2,
                                                                          &Line5,
                                                                          &Line6,
                                                                          &SSTab1,
                                                                          &Label20,
                                                                          &Label21,
                                                                          &lstOpenFileName,
                                                                          &lstOpenFileSize,
                                                                          &chkFullPath,
                                                                          &cmdOpen,
                                                                          &cmdClearList,
                                                                          &cmdDeleteFile,
                                                                          &Label1,
                                                                          &cmbQuality,
                                                                          &Label2,
                                                                          &cmbBitrate,
                                                                          &lblType,
                                                                          &cmbMode,
                                                                          &Line3,
                                                                          &Line4,
                                                                          &chkCRC,
                                                                          &chkPrivateBit,
                                                                          &chkCopyrightBit,
                                                                          &chkOriginalBit,
                                                                          &chkDelete,
                                                                          &cmdGo,
                                                                          &cmdAbort,
                                                                          &Frame1,
                                                                          &Label3[0],
                                                                          &lblProgres,
                                                                          &Label22,
                                                                          &lblTimpTrecutPartial,
                                                                          &Label23,
                                                                          &lblTimpEstimatPartial,
                                                                          &Frame2,
                                                                          &Label3[1],
                                                                          &lblTotal,
                                                                          &Label7,
                                                                          &lblTimpTrecut,
                                                                          &Label8,
                                                                          &lblTimpEstimat,
                                                                          &Image2,
                                                                          &Frame3,
                                                                          &Label15,
                                                                          &Frame4,
                                                                          &Image1,
                                                                          &Label12,
                                                                          &lblEMail,
                                                                          &Picture2,
                                                                          &Label13,
                                                                          &lblWWW,
                                                                          &cmdHelp,
                                                                          &cmdExit}) {
        Register(*control);
    }
}

std::vector<forms::Control*> frmMain::HoverFocusControls() {
    return {&cmdOpen,       &cmdClearList,    &cmdDeleteFile,  &chkFullPath, &chkCRC,
            &chkPrivateBit, &chkCopyrightBit, &chkOriginalBit, &chkDelete,   &cmdGo,
            &cmdAbort,      &cmdHelp,         &cmdExit};
}

} // namespace tarn
