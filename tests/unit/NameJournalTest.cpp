#include "filelist/NameJournal.h"

#include "support/Mp3Inspect.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using Entry = NameJournal::Entry;

class NameJournalTest : public ::testing::Test {
protected:
    void Touch(const std::string& name, std::vector<std::uint8_t> bytes = {'x'}) {
        testing::WriteBytes(dir.File(name), bytes);
    }

    testing::TempDir dir;
    NameJournal journal{dir.File("state/tarnme/renames")};
};

TEST_F(NameJournalTest, RecordsAndForgetsPathsOfAnyShape) {
    const std::string odd = dir.File("line\nbreak and\ttab.wav");
    ASSERT_TRUE(journal.Record(dir.File("a.wav"), dir.File("a b.wav")));
    ASSERT_TRUE(journal.Record(dir.File("linebreakand\ttab.wav"), odd));
    EXPECT_EQ(journal.Entries(), (std::vector<Entry>{{dir.File("a.wav"), dir.File("a b.wav")},
                                                     {dir.File("linebreakand\ttab.wav"), odd}}));
    ASSERT_TRUE(journal.Forget(dir.File("a.wav")));
    EXPECT_EQ(journal.Entries().size(), 1U);
    ASSERT_TRUE(journal.Forget(dir.File("linebreakand\ttab.wav")));
    EXPECT_TRUE(journal.Entries().empty());
    EXPECT_FALSE(std::filesystem::exists(journal.Path()));
}

TEST_F(NameJournalTest, RecoveryPutsRightWhatItCanAndReportsTheRestOnce) {
    using Kind = NameJournal::Kind;
    for (const char* name :
         {"restorable.wav", "blocked.wav", "done.mp3", "donetoo.mp3", "cutshort.mp3"}) {
        Touch(name);
    }
    Touch("blocked file.wav", {'k', 'e', 'e', 'p'});
    Touch("done too.mp3", {'k', 'e', 'e', 'p'});
    const std::vector<Entry> recorded{
        {dir.File("restorable.wav"), dir.File("restor able.wav"), Kind::Renamed},
        {dir.File("blocked.wav"), dir.File("blocked file.wav"), Kind::Renamed},
        {dir.File("neverrenamed.wav"), dir.File("never renamed.wav"), Kind::Renamed},
        {dir.File("done.mp3"), dir.File("do ne.mp3"), Kind::OutputFinished},
        {dir.File("donetoo.mp3"), dir.File("done too.mp3"), Kind::OutputFinished},
        {dir.File("cutshort.mp3"), "", Kind::OutputStarted},
        {dir.File("neverstarted.mp3"), "", Kind::OutputStarted},
    };
    for (const Entry& entry : recorded) {
        ASSERT_TRUE(journal.Record(entry));
    }
    ASSERT_EQ(journal.Entries(), recorded);

    const auto report = journal.Recover();
    EXPECT_EQ(report.restored, (std::vector<Entry>{recorded[0], recorded[3], recorded[5]}));
    EXPECT_EQ(report.leftAlone, (std::vector<Entry>{recorded[1], recorded[4]}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"blocked file.wav", "blocked.wav", "do ne.mp3",
                                                     "done too.mp3", "donetoo.mp3",
                                                     "restor able.wav", "state"}));
    EXPECT_EQ(std::filesystem::file_size(dir.File("blocked file.wav")), 4U);
    EXPECT_EQ(std::filesystem::file_size(dir.File("done too.mp3")), 4U);

    const auto again = journal.Recover();
    EXPECT_TRUE(again.restored.empty());
    EXPECT_TRUE(again.leftAlone.empty());
}

// Records cut short by a crash are ignored, in a journal of this version and in one written
// before records had kinds (pairs of paths, each a renamed WAV file).
TEST_F(NameJournalTest, ReadsWhatACrashLeftInEitherVersion) {
    const auto bytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    const std::string nul(1, '\0');
    const std::string a = dir.File("a.wav");
    const std::string chosen = dir.File("a a.wav");
    std::filesystem::create_directories(std::filesystem::path(journal.Path()).parent_path());
    testing::WriteBytes(journal.Path(), bytes(a + nul + chosen + nul + dir.File("b.wav")));
    EXPECT_EQ(journal.Entries(), (std::vector<Entry>{{a, chosen}}));

    journal.Record({a, chosen, NameJournal::Kind::OutputFinished});
    std::vector<std::uint8_t> written = testing::ReadAllBytes(journal.Path());
    const auto cutShort = bytes("s" + nul + dir.File("b.mp3"));
    written.insert(written.end(), cutShort.begin(), cutShort.end());
    testing::WriteBytes(journal.Path(), written);
    EXPECT_EQ(journal.Entries(),
              (std::vector<Entry>{{a, chosen, NameJournal::Kind::OutputFinished}}));
}

} // namespace
} // namespace tarn
