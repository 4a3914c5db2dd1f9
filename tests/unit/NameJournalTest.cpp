#include "filelist/NameJournal.h"

#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

namespace tarn {
namespace {

using Entry = NameJournal::Entry;

class NameJournalTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    NameJournal journal{dir.File("state/tarnme/renames")};
};

// Replacing and forgetting records, and their durability, are followed through whole jobs by the
// nothing-lost scenarios; here, what the file holds.
TEST_F(NameJournalTest, KeepsAnyPathAndReadsWhatACrashLeft) {
    const Entry a{dir.File("a.wav"), dir.File("a b.wav")};
    const Entry odd{dir.File("linebreakand\ttab.wav"), dir.File("line\nbreak and\ttab.wav")};
    ASSERT_TRUE(journal.Record(odd));
    EXPECT_EQ(*journal.Entries(), std::vector<Entry>{odd});

    // A crash leaves whole records, in this form or the older one without kinds (renamed WAVs).
    const auto write = [&](const std::string& text) {
        testing::WriteBytes(journal.Path(), std::vector<std::uint8_t>(text.begin(), text.end()));
    };
    const std::string nul(1, '\0'), from = a.currentPath + nul + a.chosenPath + nul;
    write(from + dir.File("b.wav"));
    EXPECT_EQ(*journal.Entries(), std::vector<Entry>{a});
    write("tarnme-journal-2" + nul + "f" + nul + from + "x" + nul + from + "s" + nul + "b.mp3");
    EXPECT_EQ(*journal.Entries(), (std::vector<Entry>{{a.currentPath, a.chosenPath,
                                                       NameJournal::Kind::OutputFinished}}));
    // What cannot be read is not read as empty.
    std::filesystem::create_directories(dir.File("a folder/inside"));
    EXPECT_EQ(NameJournal(dir.File("a folder")).Forget(a.currentPath).Error(), EISDIR);
}

TEST(NameJournalPlaceTest, LivesInTheUsersStateFolder) {
    const std::string savedState =
        std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    using Row = std::tuple<const char*, const char*, const char*>;
    for (const auto& [state, home, path] :
         {Row{"/st", "/home/u", "/st/tarnme/renames"},
          Row{"relative", "/home/u", "/home/u/.local/state/tarnme/renames"},
          Row{nullptr, nullptr, "/tmp/tarnme/renames"}}) {
        state ? ::setenv("XDG_STATE_HOME", state, 1) : ::unsetenv("XDG_STATE_HOME");
        home ? ::setenv("HOME", home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(NameJournal::DefaultPath(), path);
    }
    ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace tarn
