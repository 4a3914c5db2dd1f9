#include "filelist/NameJournal.h"

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

TEST_F(NameJournalTest, RecoveryRestoresWhatItCanAndReportsTheRestOnce) {
    Touch("restorable.wav");
    Touch("blocked.wav");
    Touch("blocked file.wav", {'k', 'e', 'e', 'p'});
    journal.Record(dir.File("restorable.wav"), dir.File("restor able.wav"));
    journal.Record(dir.File("blocked.wav"), dir.File("blocked file.wav"));
    journal.Record(dir.File("neverrenamed.wav"), dir.File("never renamed.wav"));

    const auto report = journal.Recover();
    EXPECT_EQ(report.restored,
              (std::vector<Entry>{{dir.File("restorable.wav"), dir.File("restor able.wav")}}));
    EXPECT_EQ(report.leftAlone,
              (std::vector<Entry>{{dir.File("blocked.wav"), dir.File("blocked file.wav")}}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"blocked file.wav", "blocked.wav",
                                                     "restor able.wav", "state"}));
    EXPECT_EQ(std::filesystem::file_size(dir.File("blocked file.wav")), 4U);

    const auto again = journal.Recover();
    EXPECT_TRUE(again.restored.empty());
    EXPECT_TRUE(again.leftAlone.empty());
}

TEST_F(NameJournalTest, ARecordCutShortByACrashIsIgnored) {
    journal.Record(dir.File("a.wav"), dir.File("a a.wav"));
    std::vector<std::uint8_t> bytes;
    for (char c : dir.File("a.wav") + std::string(1, '\0') + dir.File("a a.wav") +
                      std::string(1, '\0') + dir.File("b.wav")) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    testing::WriteBytes(journal.Path(), bytes);
    EXPECT_EQ(journal.Entries(), (std::vector<Entry>{{dir.File("a.wav"), dir.File("a a.wav")}}));
}

} // namespace
} // namespace tarn
