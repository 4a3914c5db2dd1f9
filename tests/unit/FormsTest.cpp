#include "forms/CheckBox.h"
#include "forms/Label.h"
#include "forms/ListControl.h"
#include "forms/Picture.h"
#include "forms/TabControl.h"
#include "forms/Timer.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarn::forms {
namespace {

struct Announcements {
    explicit Announcements(Control& control)
        : changes(control.PropertyChanged.Connect([this](Property p) { properties.push_back(p); })),
          clickCount(control.Click.Connect([this] { ++clicks; })) {}
    std::vector<Property> properties;
    int clicks = 0;
    Connection changes, clickCount;
};

// A handler is called only while its connection lasts, even ending in a Raise; a move hands it on.
TEST(FormsTest, AHandlerIsCalledOnlyWhileItsConnectionLasts) {
    Connection outlivesItsEvent;
    Event<int> event;
    std::string calls;
    const auto log = [&calls](char name) {
        return [&calls, name](int round) {
            calls += name + std::to_string(round);
        };
    };
    std::optional<Connection> ending, ended;
    // Ends itself and the next handler, then reads what it holds: it must survive its own end.
    ending = event.Connect([&, text = std::string(64, 'e')](int round) {
        ending.reset();
        ended.reset();
        calls += text.substr(0, 1) + std::to_string(round);
    });
    ended = event.Connect(log('x'));
    auto moved = std::make_unique<Connection>(event.Connect(log('m')));
    Connection holder(std::move(*moved));
    moved.reset(); // the moved-from connection holds nothing
    outlivesItsEvent = event.Connect(log('o'));
    event.Raise(1);
    holder = event.Connect(log('n'));
    event.Raise(2);
    EXPECT_EQ(calls, "e1m1o1o2n2");
}

// A front end follows a model by what it announces: each change once, and only a change.
TEST(FormsTest, EveryChangeIsAnnouncedOnceAndOnlyWhenTheValueChanges) {
    Label label("label");
    Picture picture("picture");
    Timer timer("timer", 350);
    Announcements seen(label), pictureSeen(picture);
    int timerChanges = 0;
    const Connection counting = timer.StateChanged.Connect([&] { ++timerChanges; });
    for (int round = 0; round < 2; ++round) { // the second round sets the values it has
        label.SetCaption("Go");
        label.SetToolTipText("t");
        label.SetEnabled(false);
        label.SetVisible(false);
        label.SetLeft(7);
        label.SetWidth(9);
        label.Move(7, 3, 9, 4);
        label.SetFont({.Bold = true});
        label.SetForeColor(kWhite);
        label.SetBackColor(kBlack);
        picture.SetPictureName("about");
        timer.SetEnabled(true);
        timer.SetInterval(200);
    }
    using P = Property;
    EXPECT_EQ(seen.properties,
              (std::vector<P>{P::Caption, P::ToolTip, P::Enabled, P::Visible, P::Geometry,
                              P::Geometry, P::Geometry, P::Font, P::Colors, P::Colors}));
    EXPECT_EQ(
        std::tuple(pictureSeen.properties, picture.PictureName(), timer.Interval(), timerChanges),
        std::tuple(std::vector{Property::Picture}, "about", 200, 2));
}

// Values set from code raise Click once per change, as a user's change does.
TEST(FormsTest, ValuesRaiseClickOnChangeRefuseWhatTheyCannotHoldAndTheRowFollowsRemovals) {
    CheckBox box("box");
    TabControl tabs("tabs");
    tabs.SetTabCaptions({"Open File", "Options", "Encode"});
    Announcements boxSeen(box), tabsSeen(tabs);
    for (const auto& [value, tab] :
         {std::pair{Checked, 2}, {Checked, 2}, {Grayed, 0}, {Unchecked, 1}}) {
        box.SetValue(value);
        tabs.SetTab(tab);
    }
    EXPECT_EQ(std::tuple(boxSeen.clicks, boxSeen.properties.size(), tabsSeen.clicks),
              std::tuple(3, 3U, 3));
    tabs.SetTabCaptions({"One"});
    for (const auto& [value, tab] : {std::pair{-1, -1}, {3, 1}}) { // with one tab
        EXPECT_THROW(box.SetValue(value), std::invalid_argument);
        EXPECT_THROW(tabs.SetTab(tab), std::out_of_range);
    }
    ListBox list("list");
    for (const char* item : {"a", "b", "c", "d"}) {
        list.AddItem(item);
    }
    Announcements seen(list);
    list.SetListIndex(2);
    // A row above the selection moves it up; removing the selected row clears the selection.
    for (const auto& [removed, selected] : {std::pair{0, 1}, {2, 1}, {1, -1}}) {
        list.RemoveItem(removed);
        EXPECT_EQ(list.ListIndex(), selected) << removed;
    }
    EXPECT_EQ(std::pair(list.Items(), seen.clicks), std::pair(std::vector<std::string>{"b"}, 2));
    for (const auto& [row, removed] : {std::pair{-2, -1}, {1, 1}}) { // with one row
        EXPECT_THROW(list.SetListIndex(row), std::out_of_range);
        EXPECT_THROW(list.RemoveItem(removed), std::out_of_range);
    }
    // Clearing empties the rows, selected or not; an empty list has nothing to announce.
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    seen.properties.clear();
    list.Clear();
    EXPECT_TRUE(seen.properties.empty());
}

} // namespace
} // namespace tarn::forms
