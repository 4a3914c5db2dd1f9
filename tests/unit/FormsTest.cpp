#include "forms/CheckBox.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListControl.h"
#include "forms/Picture.h"
#include "forms/TabControl.h"
#include "forms/Timer.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace tarn::forms {
namespace {

// What a control announced, in order: its property changes and its clicks.
struct Announcements {
    explicit Announcements(Control& control) {
        control.PropertyChanged.Connect([this](Property p) { properties.push_back(p); });
        control.Click.Connect([this] { ++clicks; });
    }
    std::vector<Property> properties;
    int clicks = 0;
};

struct SetterCase {
    const char* what;
    std::function<void(Label&)> change;
    std::function<bool(const Label&)> changed;
    Property announced;
};

// A front end follows a model by its announcements: each change of a property is announced once,
// and setting the value it already has announces nothing.
TEST(ControlTest, EveryChangeIsAnnouncedOnceAndOnlyWhenTheValueChanges) {
    const SetterCase cases[] = {
        {"caption", [](Label& l) { l.SetCaption("Go"); },
         [](const Label& l) { return l.Caption() == "Go"; }, Property::Caption},
        {"tooltip", [](Label& l) { l.SetToolTipText("tip"); },
         [](const Label& l) { return l.ToolTipText() == "tip"; }, Property::ToolTip},
        {"enabled", [](Label& l) { l.SetEnabled(false); },
         [](const Label& l) { return !l.Enabled(); }, Property::Enabled},
        {"visible", [](Label& l) { l.SetVisible(false); },
         [](const Label& l) { return !l.Visible(); }, Property::Visible},
        {"left", [](Label& l) { l.SetLeft(7); }, [](const Label& l) { return l.Left() == 7; },
         Property::Geometry},
        {"width", [](Label& l) { l.SetWidth(9); }, [](const Label& l) { return l.Width() == 9; },
         Property::Geometry},
        {"top and height", [](Label& l) { l.Move(0, 3, 0, 4); },
         [](const Label& l) { return l.Top() == 3 && l.Height() == 4; }, Property::Geometry},
        {"font", [](Label& l) { l.SetFont({.Bold = true}); },
         [](const Label& l) { return l.GetFont().Bold; }, Property::Font},
        {"fore colour", [](Label& l) { l.SetForeColor(kWhite); },
         [](const Label& l) { return l.ForeColor() == kWhite; }, Property::Colors},
        {"back colour", [](Label& l) { l.SetBackColor(kBlack); },
         [](const Label& l) { return l.BackColor() == kBlack; }, Property::Colors},
    };
    for (const SetterCase& c : cases) {
        SCOPED_TRACE(c.what);
        Label label("label");
        int changes = 0;
        label.Change.Connect([&] { ++changes; });
        Announcements seen(label);
        c.change(label);
        EXPECT_TRUE(c.changed(label));
        c.change(label);
        EXPECT_EQ(seen.properties, std::vector<Property>{c.announced});
        // A label's Change follows its caption only.
        EXPECT_EQ(changes, c.announced == Property::Caption ? 1 : 0);
    }
}

TEST(ControlTest, PicturesAndLinesAnnounceTheirOwnProperties) {
    Picture picture("picture");
    Announcements pictureSeen(picture);
    picture.SetPictureName("about");
    picture.SetPictureName("about");
    EXPECT_EQ(picture.PictureName(), "about");
    EXPECT_EQ(pictureSeen.properties, std::vector<Property>{Property::Picture});

    // A line's box runs from its smaller to its larger ends, whichever way it is drawn.
    Line line("line");
    line.SetEnds(5400, 1360, 240, 1375);
    EXPECT_EQ(line.X1(), 5400);
    EXPECT_EQ(line.Y2(), 1375);
    EXPECT_EQ(line.Left(), 240);
    EXPECT_EQ(line.Top(), 1360);
    EXPECT_EQ(line.Width(), 5160);
    EXPECT_EQ(line.Height(), 15);
}

// Setting a check box, a list's row or a tab from code raises Click, as a user's change does.
TEST(ControlTest, ValuesRaiseClickOnChangeAndRefuseWhatTheyCannotHold) {
    CheckBox box("box");
    Announcements boxSeen(box);
    box.SetValue(Checked);
    box.SetValue(Checked);
    box.SetValue(Grayed);
    EXPECT_EQ(box.Value(), Grayed);
    EXPECT_EQ(boxSeen.clicks, 2);
    EXPECT_EQ(boxSeen.properties, (std::vector<Property>{Property::Value, Property::Value}));
    EXPECT_THROW(box.SetValue(3), std::invalid_argument);
    EXPECT_THROW(box.SetValue(-1), std::invalid_argument);
    box.SetValue(Unchecked);
    EXPECT_EQ(boxSeen.clicks, 3);

    TabControl tabs("tabs");
    tabs.SetTabCaptions({"Open File", "Options", "Encode"});
    Announcements tabsSeen(tabs);
    tabs.SetTab(2);
    tabs.SetTab(2);
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(tabsSeen.clicks, 1);
    EXPECT_THROW(tabs.SetTab(3), std::out_of_range);
    EXPECT_THROW(tabs.SetTab(-1), std::out_of_range);
    tabs.SetTab(0);
    EXPECT_EQ(tabsSeen.clicks, 2);
    tabs.SetTabCaptions({"One"});
    EXPECT_EQ(tabs.Tab(), 0);
    EXPECT_EQ(tabs.TabCaption(0), "One");
}

TEST(ListControlTest, TheSelectedRowFollowsRemovalsAndStaysWithinTheRows) {
    ListBox list("list");
    for (const char* item : {"a", "b", "c", "d"}) {
        list.AddItem(item);
    }
    Announcements seen(list);
    list.SetListIndex(2);
    EXPECT_EQ(seen.clicks, 1);
    // A row above the selection moves it up; removing the selected row clears the selection.
    list.RemoveItem(0);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.List(1), "c");
    list.RemoveItem(2);
    EXPECT_EQ(list.ListIndex(), 1);
    list.RemoveItem(1);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(seen.clicks, 2);

    EXPECT_THROW(list.SetListIndex(1), std::out_of_range);
    EXPECT_THROW(list.SetListIndex(-2), std::out_of_range);
    EXPECT_THROW(list.RemoveItem(1), std::out_of_range);
    EXPECT_THROW(list.RemoveItem(-1), std::out_of_range);
    // Clearing empties the rows, selected or not; an empty list has nothing to announce.
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    seen.properties.clear();
    list.Clear();
    EXPECT_TRUE(seen.properties.empty());

    ComboBox combo("combo");
    combo.AddItem("Mono");
    EXPECT_EQ(combo.Text(), "");
    combo.SetListIndex(0);
    EXPECT_EQ(combo.Text(), "Mono");
}

TEST(TimerTest, TellsThePlatformOnlyOfRealChanges) {
    Timer timer("timer", 350);
    int changes = 0;
    timer.StateChanged.Connect([&] { ++changes; });
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    timer.SetInterval(350);
    timer.SetInterval(200);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 200);
    EXPECT_EQ(changes, 2);
}

} // namespace
} // namespace tarn::forms
