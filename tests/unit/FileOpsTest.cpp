// Renames that never replace or lose a file, on every kind of file system, also where a call is
// made but answers that it failed, as over a share whose reply was lost.
#include "platform/FileOps.h"

#include "support/FaultySystem.h"
#include "support/JobFixture.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using Call = platform::sys::Call;
using platform::sys::kMadeThenFailed;

TEST(FileOpsTest, ARenameNeverReplacesAndIsDoneWhenItWasMade) {
    struct Row {
        const char* name;
        std::vector<std::pair<Call, int>> refused;
        bool taken;
    };
    const std::pair<Call, int> noRenameat2{Call::RenameNoReplace, EINVAL};
    const std::pair<Call, int> noLink{Call::Link, EPERM};
    for (const Row& row : std::vector<Row>{
             {"plain, free", {}, false},
             {"plain, taken", {}, true},
             {"linking, taken", {noRenameat2}, true},
             {"placeholder, taken", {noRenameat2, noLink}, true},
             {"renamed, answer lost", {{Call::RenameNoReplace, kMadeThenFailed + EIO}}, false},
             {"linked, answer lost", {noRenameat2, {Call::Link, kMadeThenFailed + EIO}}, false},
             {"unlinked, answer lost", {noRenameat2, {Call::Unlink, kMadeThenFailed + EIO}}, false},
             {"unlinked, made again",
              {noRenameat2, {Call::Unlink, kMadeThenFailed + EINTR}},
              false},
             {"over the placeholder, answer lost",
              {noRenameat2, noLink, {Call::Rename, kMadeThenFailed + EIO}},
              false}}) {
        SCOPED_TRACE(row.name);
        testing::TempDir dir;
        testing::WriteBytes(dir.File("a"), {'a'});
        if (row.taken) {
            testing::WriteBytes(dir.File("b"), {'b'});
        }
        Status renamed;
        {
            testing::FaultySystem system;
            for (const auto& [call, answer] : row.refused) {
                system.Refuse(call, answer);
            }
            renamed = platform::RenameNoReplace(dir.File("a"), dir.File("b"));
        }
        EXPECT_EQ(renamed.Error(), row.taken ? EEXIST : 0);
        EXPECT_EQ(dir.Names(), (row.taken ? testing::Names{"a", "b"} : testing::Names{"b"}));
        EXPECT_EQ(testing::Contents(dir.File("b")), row.taken ? "b" : "a");
    }
}

} // namespace
} // namespace tarn
