#include "encoding/clsFileIo.h"

#include "platform/FileOps.h"
#include "support/Mp3Inspect.h"
#include "support/TableRows.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <array>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;

using testing::ReadAllBytes;
using testing::TempDir;
using testing::WriteBytes;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class FileIoTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("file.bin");
};

TEST_F(FileIoTest, OpeningCreatesAMissingFileAndNeverTruncates) {
    clsFileIo created;
    ASSERT_TRUE(created.OpenFile(dir.File("new.bin")));
    EXPECT_EQ(platform::FileLength(dir.File("new.bin")), 0);

    WriteBytes(path, Bytes("0123456789"));
    clsFileIo file;
    ASSERT_TRUE(file.OpenFile(path));
    EXPECT_TRUE(file.WriteBytes("abc", 3));
    // The length others see follows each write at once, without waiting for the close.
    EXPECT_EQ(platform::FileLength(path), 10);
    EXPECT_TRUE(file.WriteBytes("defghijklmn", 11));
    EXPECT_EQ(platform::FileLength(path), 14);
    EXPECT_EQ(file.BytesTransferred(), 11);
    EXPECT_TRUE(file.CloseFile());
    EXPECT_EQ(ReadAllBytes(path), Bytes("abcdefghijklmn"));
}

TEST_F(FileIoTest, ReadingPastTheEndSucceedsWithWhatRemains) {
    WriteBytes(path, Bytes("hello"));
    clsFileIo file;
    ASSERT_TRUE(file.OpenFileForReading(path));
    std::array<char, 8> buffer{};
    buffer.fill('#');
    EXPECT_NE(file.ReadBytes(buffer.data(), 3), 0);
    EXPECT_EQ(file.BytesTransferred(), 3);
    EXPECT_NE(file.ReadBytes(buffer.data(), 8), 0);
    EXPECT_EQ(file.BytesTransferred(), 2);
    EXPECT_EQ(std::string(buffer.data(), 8), "lol#####");
    EXPECT_NE(file.ReadBytes(buffer.data(), 8), 0);
    EXPECT_EQ(file.BytesTransferred(), 0);
}

TEST_F(FileIoTest, ANeverOpenedObjectDoesNothing) {
    clsFileIo file;
    std::array<char, 4> buffer{'a', 'b', 'c', 'd'};
    EXPECT_FALSE(file.CloseFile());
    EXPECT_FALSE(file.WriteBytes(buffer.data(), 4));
    EXPECT_EQ(file.ReadBytes(buffer.data(), 4), 0);
    EXPECT_EQ(std::string(buffer.data(), 4), "abcd");
    EXPECT_EQ(file.FileHandle(), 0);
    EXPECT_EQ(file.FileName(), "");
}

TEST_F(FileIoTest, AReadOnlyFileIsRefusedForWritingEvenToRoot) {
    WriteBytes(path, Bytes("data"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    clsFileIo file;
    errno = 0;
    EXPECT_FALSE(file.OpenFile(path));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(file.FileHandle(), -1);
    // Reading only is still allowed.
    EXPECT_TRUE(file.OpenFileForReading(path));
}

TEST_F(FileIoTest, AFifoIsRefusedRatherThanWaitedOn) {
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (const bool forWriting : {true, false}) {
        clsFileIo file;
        errno = 0;
        EXPECT_FALSE(forWriting ? file.OpenFile(fifo) : file.OpenFileForReading(fifo));
        EXPECT_EQ(errno, EINVAL);
    }
}

// Which opens of the same file may be held together: a writer excludes everyone, readers share.
struct SharingCase {
    const char* name;
    bool firstWrites;
    bool secondWrites;
    bool secondOpens;
};

class FileIoSharingTest : public ::testing::TestWithParam<SharingCase> {};

bool OpenAs(clsFileIo& file, const std::string& path, bool forWriting) {
    return forWriting ? file.OpenFile(path) : file.OpenFileForReading(path);
}

TEST_P(FileIoSharingTest, AHeldFileIsSharedOnlyBetweenReaders) {
    TempDir dir;
    const std::string path = dir.File("shared.bin");
    WriteBytes(path, Bytes("data"));
    const SharingCase& c = GetParam();

    auto first = std::make_unique<clsFileIo>();
    ASSERT_TRUE(OpenAs(*first, path, c.firstWrites));
    clsFileIo second;
    errno = 0;
    EXPECT_EQ(OpenAs(second, path, c.secondWrites), c.secondOpens);
    if (!c.secondOpens) {
        EXPECT_EQ(errno, EBUSY);
        EXPECT_EQ(second.FileHandle(), -1);
    }

    // Another process is kept out the same way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        clsFileIo other;
        ::_exit(OpenAs(other, path, c.secondWrites) == c.secondOpens ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Releasing the first object lets the file go.
    second.CloseFile();
    first.reset();
    clsFileIo third;
    EXPECT_TRUE(OpenAs(third, path, c.secondWrites));
}

INSTANTIATE_TEST_SUITE_P(Opens, FileIoSharingTest,
                         ::testing::Values(SharingCase{"writer_then_writer", true, true, false},
                                           SharingCase{"reader_then_writer", false, true, false},
                                           SharingCase{"reader_then_reader", false, false, true}),
                         RowName);

TEST_F(FileIoTest, ASecondOpenOrCloseOfTheSameObjectIsRefused) {
    clsFileIo file;
    ASSERT_TRUE(file.OpenFile(path));
    const int handle = file.FileHandle();
    errno = 0;
    EXPECT_FALSE(file.OpenFile(dir.File("other.bin")));
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(file.FileHandle(), handle);
    EXPECT_FALSE(platform::FileExists(dir.File("other.bin")));
    EXPECT_TRUE(file.CloseFile());
    EXPECT_FALSE(file.CloseFile());
    EXPECT_FALSE(file.WriteBytes("x", 1));
}

} // namespace
} // namespace tarn
