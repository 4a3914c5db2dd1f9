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

TEST_F(NameJournalTest, RecordsReplacesForgetsAndReadsWhatACrashLeft) {
    const Entry a{dir.File("a.wav"), dir.File("a b.wav")};
    const Entry odd{dir.File("linebreakand\ttab.wav"), dir.File("line\nbreak and\ttab.wav")};
    ASSERT_TRUE(journal.Record(a.currentPath, "old"));
    ASSERT_TRUE(journal.Record(odd));
    ASSERT_TRUE(journal.Record(a));
    EXPECT_EQ(*journal.Entries(), (std::vector<Entry>{odd, a}));
    ASSERT_TRUE(journal.Forget(a.currentPath));
    ASSERT_TRUE(journal.Forget(dir.File("never recorded.wav")));
    EXPECT_EQ(*journal.Entries(), std::vector<Entry>{odd});
    ASSERT_TRUE(journal.Forget(odd.currentPath));
    EXPECT_FALSE(std::filesystem::exists(journal.Path()));

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

    // Nothing claims to be kept where nothing can be written, nor read as empty what cannot be
    // read.
    testing::WriteBytes(dir.File("a file"), {'x'});
    EXPECT_EQ(NameJournal(dir.File("a file/renames")).Record(a).Error(), ENOTDIR);
    std::filesystem::create_directories(dir.File("a folder/inside"));
    EXPECT_EQ(NameJournal(dir.File("a folder")).Entries().Outcome().Error(), EISDIR);
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
