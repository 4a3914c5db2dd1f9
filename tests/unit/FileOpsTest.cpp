// Renames never replace or lose a file, on any file system, also when a call's reply is lost.
#include "platform/FileOps.h"

#include "support/FaultySystem.h"
#include "support/JobFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using Call = platform::sys::Call;
using platform::sys::kMadeThenFailed;

// The machine's own file systems (tmpfs, ext4) keep file numbers and sync as a whole.
TEST(FileOpsTest, TheMachinesOwnFileSystemsNumberFilesForGoodAndSyncAsAWhole) {
    for (const auto& base :
         {testing::TempDir::InMemory(), std::filesystem::temp_directory_path()}) {
        const testing::TempDir dir(base);
        testing::WriteBytes(dir.File("a"), {'a'});
        const platform::sys::Descriptor file(platform::sys::Open(dir.File("a").c_str(), O_RDONLY));
        const auto traits = platform::TraitsOf(file.Get());
        ASSERT_TRUE(traits) << base;
        EXPECT_EQ(std::pair(traits->numbersFilesPerMount, traits->syncsAsAWhole),
                  std::pair(false, true))
            << base;
    }
}

TEST(FileOpsTest, ARenameNeverReplacesAndIsDoneWhenItWasMade) {
    const std::pair<Call, int> noRenameat2{Call::RenameNoReplace, EINVAL},
        noLink{Call::Link, EPERM};
    struct Row {
        const char* name;
        std::vector<std::pair<Call, int>> refused;
        bool taken;
        std::pair<std::size_t, int> once{}; // a call, by its number, that fails once
    };
    for (const auto& [name, refused, taken, once] : std::vector<Row>{
             {"linking, taken", {noRenameat2}, true},
             {"placeholder, taken", {noRenameat2, noLink}, true},
             {"renamed, answer lost, the source's folder a file now",
              {{Call::RenameNoReplace, kMadeThenFailed + EIO}},
              false,
              {2, ENOTDIR}},
             {"linked, answer lost", {noRenameat2, {Call::Link, kMadeThenFailed + EIO}}, false},
             {"unlinked, answer lost", {noRenameat2, {Call::Unlink, kMadeThenFailed + EIO}}, false},
             {"unlinked, made again",
              {noRenameat2, {Call::Unlink, kMadeThenFailed + EINTR}},
              false},
             {"over the placeholder, answer lost",
              {noRenameat2, noLink, {Call::Rename, kMadeThenFailed + EIO}},
              false}}) {
        SCOPED_TRACE(name);
        testing::TempDir dir;
        testing::WriteBytes(dir.File("a"), {'a'});
        if (taken) {
            testing::WriteBytes(dir.File("b"), {'b'});
        }
        testing::FaultySystem system(once.first, once.second);
        for (const auto& [call, answer] : refused) {
            system.Refuse(call, answer);
        }
        EXPECT_EQ(platform::RenameNoReplace(dir.File("a"), dir.File("b")).Error(),
                  taken ? EEXIST : 0);
        EXPECT_EQ(dir.Names(), (taken ? testing::Names{"a", "b"} : testing::Names{"b"}));
        EXPECT_EQ(testing::Contents(dir.File("b")), taken ? "b" : "a");
    }
}

} // namespace
} // namespace tarn
