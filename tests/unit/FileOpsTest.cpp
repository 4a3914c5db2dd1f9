// Renames never replace or lose a file, on any file system, also when a call's reply is lost.
#include "platform/FileOps.h"

#include "support/FaultySystem.h"
#include "support/JobFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using Call = platform::sys::Call;

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
    const auto lost = [](Call call, int error = EIO) {
        return std::pair(call, platform::sys::kMadeThenFailed + error);
    };
    struct Row {
        const char* name;
        std::pair<std::size_t, int> once; // a call, by its number, that fails once
        std::vector<std::pair<Call, int>> refused;
        bool taken = false;
    };
    for (const auto& [name, once, refused, taken] : std::vector<Row>{
             {"linking, taken", {}, {noRenameat2}, true},
             {"placeholder, taken", {}, {noRenameat2, noLink}, true},
             {"renamed, answer lost, then ENOTDIR", {2, ENOTDIR}, {lost(Call::RenameNoReplace)}},
             {"linked, answer lost", {}, {noRenameat2, lost(Call::Link)}},
             {"unlinked, answer lost", {}, {noRenameat2, lost(Call::Unlink)}},
             {"unlinked, made again", {}, {noRenameat2, lost(Call::Unlink, EINTR)}},
             {"placeholder rename, answer lost", {}, {noRenameat2, noLink, lost(Call::Rename)}}}) {
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
