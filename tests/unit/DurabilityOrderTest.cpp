// The judge of the nothing-lost tests finds each way a power cut could lose a name.
#include "support/DurabilityOrder.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tarn::testing {
namespace {

using Call = platform::sys::Call;
using Note = FaultySystem::Note;

TEST(DurabilityOrderTest, FindsEveryStepThatAPowerCutCouldUndo) {
    const TempDir dir;
    const std::string journal = dir.File("j/renames"), temporary = journal + ".new";
    const std::string chosen = dir.File("a b.wav"), cleaned = dir.File("ab.wav");
    const Note open{Call::Open, temporary, ""}, sync{Call::Fsync, temporary, ""};
    const Note commit{Call::Rename, temporary, journal},
        syncJournal{Call::Fsync, dir.File("j"), ""};
    const Note rename{Call::RenameNoReplace, chosen, cleaned};
    const Note back{Call::RenameNoReplace, cleaned, chosen};
    const Note syncMusic{Call::Fsync, dir.Path().string(), ""}, drop{Call::Unlink, journal, ""};
    struct Row {
        std::vector<Note> calls;
        std::string found;
    };
    for (const auto& [calls, found] : std::vector<Row>{
             {{open, sync, commit, syncJournal, rename, back, syncMusic, drop}, ""},
             {{rename}, chosen + " has no record"},
             {{open, sync, commit, rename}, chosen + " is touched before its record is durable"},
             {{open, commit}, "the journal is renamed into place unsynced"},
             {{open, sync, commit, syncJournal, rename, back, drop},
              "the record of " + cleaned + " goes before its step is durable"}}) {
        SCOPED_TRACE(found);
        std::filesystem::remove_all(dir.File("j"));
        ASSERT_TRUE(NameJournal(temporary).Record(cleaned, chosen));
        DurabilityOrder order(journal);
        for (const Note& call : calls) {
            order.See(call, true);
        }
        EXPECT_EQ(order.violations,
                  found.empty() ? std::vector<std::string>() : std::vector{found});
        order.violations.clear();
    }
}

} // namespace
} // namespace tarn::testing
