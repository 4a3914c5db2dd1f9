#include "encoding/clsFileIo.h"

#include "platform/FileOps.h"
#include "support/FaultySystem.h"
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace tarn {
namespace {

bool OpenAs(clsFileIo& file, const std::string& path, bool forWriting) {
    return forWriting ? file.OpenFile(path) : file.OpenFileForReading(path);
}

class FileIoTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string path = dir.File("file.bin");
};

TEST_F(FileIoTest, WritesInPlaceReadsWhatThereIsAndMovesNothingFromNowhere) {
    // Created if missing, else written from its start, never truncated; a failed close is told.
    for (const auto& [text, closeError] :
         {std::pair<std::string, int>{"0123456789", 0}, {"abc", EIO}}) {
        testing::FaultySystem system;
        system.Refuse(platform::sys::Call::Close, closeError);
        clsFileIo file;
        ASSERT_TRUE(file.OpenFile(path));
        const auto size = static_cast<std::int64_t>(text.size());
        EXPECT_TRUE(file.WriteBytes(text.data(), size));
        EXPECT_EQ(platform::FileLength(path).ValueOr(-1), 10); // as others see it, before the close
        errno = ENOSPC; // a failure from before is not taken for one of the close
        EXPECT_TRUE(file.CloseFile());
        EXPECT_EQ(std::pair(file.LastApiResult(), file.LastStatus().Error()),
                  std::pair(closeError == 0 ? 1 : 0, closeError));
    }
    clsFileIo file;
    ASSERT_TRUE(file.OpenFileForReading(path));
    std::string buffer(12, '#');
    EXPECT_NE(file.ReadBytes(buffer.data(), 2), 0);
    EXPECT_NE(file.ReadBytes(buffer.data(), 12), 0); // more than there is
    EXPECT_EQ(file.BytesTransferred(), 8);
    EXPECT_EQ(buffer, "c3456789####");
    EXPECT_NE(file.ReadBytes(buffer.data(), 1), 0);
    EXPECT_EQ(file.BytesTransferred(), 0);
    char byte = 'a';
    clsFileIo never;
    EXPECT_EQ(std::tuple(never.CloseFile(), never.WriteBytes(&byte, 1), never.ReadBytes(&byte, 1)),
              std::tuple(false, false, 0));
    for (const bool writing : {true, false}) {
        clsFileIo opened;
        ASSERT_TRUE(OpenAs(opened, dir.File("moves.bin"), writing));
        const auto move = [&](void* to, std::int64_t count) {
            return writing ? opened.WriteBytes(to, count) : opened.ReadBytes(to, count) != 0;
        };
        // Nothing from nowhere is a move of nothing.
        EXPECT_EQ(std::tuple(move(&byte, -1), move(nullptr, 1), move(nullptr, 0)),
                  std::tuple(false, false, true))
            << writing;
    }
}

// Only a regular file that no one else writes: a writer keeps out every other open; readers share.
TEST_F(FileIoTest, OpensOnlyARegularFileThatNoOneElseWrites) {
    const std::string fifo = dir.File("fifo"), folder = dir.Path().string();
    ::mkfifo(fifo.c_str(), 0666);
    auto writer = std::make_unique<clsFileIo>();
    ASSERT_TRUE(writer->OpenFile(path));
    const std::tuple<std::string, bool, int> cases[] = {
        {fifo, false, EINVAL}, {folder, true, EISDIR}, {path, true, EBUSY}, {path, false, EBUSY}};
    for (const auto& [target, writing, error] : cases) {
        clsFileIo file;
        const bool opened = OpenAs(file, target, writing);
        EXPECT_EQ(std::tuple(opened, errno, file.FileHandle()), std::tuple(false, error, -1))
            << target;
    }
    EXPECT_FALSE(writer->OpenFile(dir.File("other"))); // nor another file through the same object
    writer.reset();                                    // releasing the object lets the file go
    clsFileIo reader, another, late;
    EXPECT_TRUE(reader.OpenFileForReading(path));
    EXPECT_TRUE(another.OpenFileForReading(path));
    EXPECT_FALSE(late.OpenFile(path));
    EXPECT_TRUE(reader.CloseFile());
    EXPECT_FALSE(reader.CloseFile()) << "closed once";
}

} // namespace
} // namespace tarn
