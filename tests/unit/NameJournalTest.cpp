#include "journal/NameJournal.h"

#include "filelist/NotConnectedText.h"
#include "support/JobFixture.h"
#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using Entry = NameJournal::Entry;
using Kind = NameJournal::Kind;

struct stat Stat(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// The journal's bytes: each field ended by a NUL.
std::string Fields(const std::vector<std::string>& fields) {
    std::string bytes;
    for (const std::string& field : fields) {
        bytes += field + '\0';
    }
    return bytes;
}

class NameJournalTest : public ::testing::Test {
protected:
    void Write(const std::string& text) const {
        fs::create_directories(fs::path(journal.Path()).parent_path());
        testing::WriteBytes(journal.Path(), std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    testing::TempDir dir;
    NameJournal journal{dir.File("state/tarnme/renames")};
};

// What the file holds; its changes are followed through whole jobs by the nothing-lost tests.
TEST_F(NameJournalTest, KeepsAnyPathAndReadsTheFormsOfEarlierVersions) {
    const std::string a = dir.File("line\nbreak and\ttab.wav"), b = dir.File("a b.wav");
    ASSERT_TRUE(journal.Record(a, b));
    const auto recorded = journal.Entries();
    ASSERT_FALSE(recorded.ValueOr({}).empty()) << recorded.Outcome().Reason();
    EXPECT_EQ(recorded->front(), (Entry{a, b, Kind::Renamed, {Stat(dir.File(".")).st_dev, 0}}));
    for (const auto& [bytes, entry] :
         {std::pair{Fields({a, b}), Entry{a, b}},
          {Fields({"tarnme-journal-2", "f", a, b}), Entry{a, b, Kind::OutputFinished}},
          {Fields({"tarnme-journal-3", "s", a, "", "7", "9"}),
           Entry{a, "", Kind::OutputStarted, {7, 9}}},
          {Fields({"tarnme-journal-4", "s", a, "", "7", "9", "5", "6"}),
           Entry{a, "", Kind::OutputStarted, {7, 9}, 5, 6}}}) {
        Write(bytes);
        EXPECT_EQ(journal.Entries().ValueOr({}), std::vector<Entry>{entry});
    }
    // What it could not read back is never written.
    for (const std::string& path : {a + std::string("\0x", 2), std::string("a.wav")}) {
        EXPECT_FALSE(journal.Record(path, b).Ok());
        EXPECT_EQ(journal.Entries()->size(), 1U);
    }
}

// What it cannot account for is damage: never read, rewritten or removed; a copy kept for the user.
TEST_F(NameJournalTest, ADamagedJournalIsNeitherReadNorChanged) {
    const std::string a = dir.File("a.wav"), v3 = "tarnme-journal-3";
    for (const std::string& bytes :
         {std::string(), Fields({v3, "r", a, a, "1", "2", "r"}) + a,
          Fields({v3, "r", a, a, "1", "2", "x", a, a, "1", "2"}), Fields({v3, "r", a, a, "1"}),
          Fields({"tarnme-journal-9", "r", a, a, "1", "2"}),
          Fields({v3, "r", "a.wav", a, "1", "2"}), Fields({v3, "r", a, a, "1x", "2"}),
          Fields({a, a, a})}) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        Write(bytes);
        EXPECT_FALSE(journal.Entries().Ok());
        EXPECT_FALSE(journal.Record(dir.File("b.wav"), dir.File("b c.wav")).Ok());
        EXPECT_NE(journal.Recover().journal.Reason().find("It is damaged"), std::string::npos);
        EXPECT_EQ(testing::Contents(journal.Path()), bytes);
        EXPECT_EQ(testing::Contents(journal.Path() + ".damaged"), bytes);
    }
}

// Another's journal, or one others can write to, is refused: it could rename or remove any file.
TEST_F(NameJournalTest, OnlyAJournalOfTheUsersOwnIsRead) {
    const std::string folder = fs::path(journal.Path()).parent_path().string();
    using Row = std::tuple<const char*, bool, uid_t, mode_t>; // owner and mode 0: kept
    for (const auto& [name, onFolder, owner, mode] :
         {Row{"a journal others can write", false, 0, 0622},
          Row{"a folder others can write", true, 0, 0777}, Row{"a link in its place", false, 0, 0},
          Row{"another's journal", false, 4242, 0}, Row{"another's folder", true, 4242, 0}}) {
        SCOPED_TRACE(name);
        if (owner != 0 && ::geteuid() != 0) { // these rows come last: a skip ends the test
            GTEST_SKIP() << "Only root can give the journal or its folder to another user";
        }
        fs::remove_all(folder);
        NameJournal fresh(journal.Path());
        ASSERT_TRUE(fresh.Record(dir.File("a.wav"), dir.File("a b.wav")));
        const std::string path = onFolder ? folder : journal.Path();
        if (owner != 0) {
            ASSERT_EQ(::chown(path.c_str(), owner, owner), 0);
        } else if (mode != 0) {
            ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        } else {
            fs::rename(path, dir.File("elsewhere"));
            fs::create_symlink(dir.File("elsewhere"), path);
        }
        const std::string reason = fresh.Entries().Outcome().Reason();
        EXPECT_NE(std::isupper(static_cast<unsigned char>(reason.c_str()[0])), 0) << reason;
        EXPECT_FALSE(fresh.Record(dir.File("b.wav"), dir.File("b c.wav")).Ok());
        EXPECT_FALSE(fresh.Recover().journal.Ok());
    }
}

// Only a record's own file is removed; a file not found counts as gone only where its folder is.
TEST_F(NameJournalTest, RecoveryActsOnlyOnTheFilesItsRecordsMean) {
    testing::WriteBytes(dir.File("started.mp3"), {'m', 'i', 'n', 'e'});
    testing::WriteBytes(dir.File("empty.mp3"), {});
    const ino_t other = Stat(dir.File("started.mp3")).st_ino + 1;
    ASSERT_TRUE(journal.Record({dir.File("started.mp3"), "", Kind::OutputStarted, {0, other}}));
    ASSERT_TRUE(journal.Record({dir.File("empty.mp3"), "", Kind::OutputStarted}));
    // The user's file that took a placeholder's name, and its number (FUSE numbers files anew).
    testing::WriteBytes(dir.File("took.wav"), {'w'});
    ASSERT_TRUE(
        journal.NotePlaceholder(dir.File("took.wav"), {0, Stat(dir.File("took.wav")).st_ino}));
    ASSERT_TRUE(journal.Record({dir.File("deleted.wav"), dir.File("deleted x.wav")}));
    fs::create_directories(dir.File("away"));
    ASSERT_TRUE(journal.Record({dir.File("away/z.wav"), dir.File("away/z y.wav")}));
    fs::remove(dir.File("away"));

    // Where numbers do not last, by size and time: one that fits goes, a later one stays, said.
    for (const auto& [name, later] : {std::pair{"cut.mp3", 0}, std::pair{"other.mp3", 60}}) {
        testing::WriteBytes(dir.File(name), {'m', 'p', '3'});
        const std::int64_t time = (Stat(dir.File(name)).st_mtim.tv_sec - later) * 1'000'000'000LL;
        ASSERT_TRUE(journal.Record(
            {dir.File(name), "", Kind::OutputStarted, {0, platform::kKnownByPath}, 3, time}));
    }
    // A write that a stop cut short left its temporary file; the user's file beside it stays.
    for (const char* name : {"renames.new-7-1", "renamesx"}) {
        testing::WriteBytes(dir.File("state/tarnme/") + name, {'x'});
    }
    const NameJournal::RecoveryReport report = journal.Recover();
    EXPECT_FALSE(fs::exists(dir.File("state/tarnme/renames.new-7-1")));
    EXPECT_TRUE(fs::exists(dir.File("state/tarnme/renamesx")));
    EXPECT_TRUE(report.journal.Ok()) << report.journal.Reason();
    ASSERT_EQ(report.leftAlone.size(), 1U);
    EXPECT_EQ(report.leftAlone[0].entry.currentPath, dir.File("other.mp3"));
    EXPECT_EQ(dir.Names(), (testing::Names{"other.mp3", "started.mp3", "state", "took.wav"}));
    EXPECT_EQ(testing::Contents(dir.File("started.mp3")) + testing::Contents(dir.File("took.wav")),
              "minew");
    // What is kept: the record of the file not connected, and of the one left alone.
    ASSERT_EQ(report.notConnected.size(), 1U);
    const auto kept = journal.Entries();
    ASSERT_TRUE(kept) << kept.Outcome().Reason();
    EXPECT_EQ(*kept, (std::vector<Entry>{report.notConnected[0], report.leftAlone[0].entry}));
    EXPECT_EQ(report.notConnected[0].currentPath, dir.File("away/z.wav"));
}

// NOLINTBEGIN(concurrency-mt-unsafe): the tests run one at a time, on one thread.
TEST(NameJournalPlaceTest, LivesInTheUsersStateFolderAndNeverInTheTemporaryOne) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedState = state != nullptr ? state : "";
    const std::string savedHome = home != nullptr ? home : "";
    const passwd* account = ::getpwuid(::geteuid());
    ASSERT_NE(account, nullptr);
    const std::string accountJournal =
        std::string(account->pw_dir) + "/.local/state/tarnme/renames";
    using Row = std::tuple<const char*, const char*, std::string>;
    for (const auto& [rowState, rowHome, path] :
         {Row{"/st", "/home/u", "/st/tarnme/renames"},
          Row{"relative", "/home/u", "/home/u/.local/state/tarnme/renames"},
          Row{nullptr, nullptr, accountJournal}, Row{nullptr, "relative", accountJournal}}) {
        rowState != nullptr ? ::setenv("XDG_STATE_HOME", rowState, 1)
                            : ::unsetenv("XDG_STATE_HOME");
        rowHome != nullptr ? ::setenv("HOME", rowHome, 1) : ::unsetenv("HOME");
        EXPECT_EQ(NameJournal::DefaultPath(), path);
    }
    ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}
// NOLINTEND(concurrency-mt-unsafe)

TEST(NotConnectedTextTest, NamesEachFolderOnceWithItsFiles) {
    EXPECT_EQ(NotConnectedText({{"/s/a.wav", "/s/a b.wav", Kind::Renamed},
                                {"/n/c.mp3", "", Kind::OutputStarted},
                                {"/s/a.mp3", "/s/a b.mp3", Kind::OutputFinished},
                                {"/n/d.wav", "", Kind::Placeholder}}),
              "These files are in a folder that is not there now, on a USB stick, a memory card or "
              "a network folder that is not connected:\n/s/\n    a.wav, to be a b.wav\n    a.mp3, "
              "to be a b.mp3\n/n/\n    c.mp3, cut short, to be removed\n    d.wav, empty, to be "
              "removed\nTheir names come back when the program next starts with it connected.");
}

} // namespace
} // namespace tarn
