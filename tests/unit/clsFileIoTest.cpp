#include "encoding/clsFileIo.h"

#include "platform/FileOps.h"
#include "support/Mp3Inspect.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

bool OpenAs(clsFileIo& file, const std::string& path, bool forWriting) {
    return forWriting ? file.OpenFile(path) : file.OpenFileForReading(path);
}

class FileIoTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string path = dir.File("file.bin");
};

TEST_F(FileIoTest, WritesInPlaceAndReadsWhatThereIs) {
    clsFileIo created;
    ASSERT_TRUE(created.OpenFile(dir.File("new.bin")));
    EXPECT_EQ(platform::FileLength(dir.File("new.bin")), 0);

    testing::WriteBytes(path, Bytes("0123456789"));
    clsFileIo file;
    ASSERT_TRUE(file.OpenFile(path));
    EXPECT_TRUE(file.WriteBytes("abc", 3));
    // Not truncated; the length others see follows each write at once.
    EXPECT_EQ(platform::FileLength(path), 10);
    EXPECT_TRUE(file.WriteBytes("defghijklmn", 11));
    EXPECT_EQ(platform::FileLength(path), 14);
    EXPECT_EQ(file.BytesTransferred(), 11);
    errno = EIO; // a failure from before is not taken for one of the close
    EXPECT_TRUE(file.CloseFile());
    EXPECT_EQ(file.LastApiResult(), 1);

    clsFileIo reader;
    ASSERT_TRUE(reader.OpenFileForReading(path));
    std::array<char, 16> buffer{};
    buffer.fill('#');
    EXPECT_NE(reader.ReadBytes(buffer.data(), 3), 0);
    EXPECT_NE(reader.ReadBytes(buffer.data(), 16), 0);
    EXPECT_EQ(reader.BytesTransferred(), 11);
    EXPECT_EQ(std::string(buffer.data(), 16), "defghijklmn#####");
    EXPECT_NE(reader.ReadBytes(buffer.data(), 8), 0);
    EXPECT_EQ(reader.BytesTransferred(), 0);
}

TEST_F(FileIoTest, RefusesWhatItCannotMove) {
    char byte = 'a';
    clsFileIo never;
    EXPECT_FALSE(never.CloseFile() || never.WriteBytes(&byte, 1) || never.ReadBytes(&byte, 1));
    EXPECT_EQ(byte, 'a');
    EXPECT_EQ(never.FileHandle(), 0);
    testing::WriteBytes(path, Bytes("data"));
    for (const bool writing : {true, false}) {
        clsFileIo file;
        ASSERT_TRUE(OpenAs(file, path, writing));
        const auto move = [&](void* to, std::int64_t count) {
            return writing ? file.WriteBytes(to, count) : file.ReadBytes(to, count) != 0;
        };
        // Nothing from nowhere is a move of nothing.
        EXPECT_TRUE(!move(&byte, -1) && !move(nullptr, 1) && move(nullptr, 0)) << writing;
    }
    // Should the disk fill, the write says how far it got (the size limit of a child process).
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2, 2};
        clsFileIo file;
        ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) == 0 && file.OpenFile(path) &&
                        !file.WriteBytes("abcdefgh", 8) && errno == EFBIG &&
                        file.BytesTransferred() == 2 && file.LastApiResult() == 0
                    ? 0
                    : 1);
    }
    int status = 1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
}

TEST_F(FileIoTest, RefusesToOpenWhatIsNotAFileOfItsOwn) {
    testing::WriteBytes(path, Bytes("data"));
    ::chmod(path.c_str(), 0444);
    ::mkfifo(dir.File("fifo").c_str(), 0666);
    const struct {
        std::string path;
        bool forWriting;
        int error;
    } cases[] = {{path, true, EACCES}, // even to root
                 {dir.File("fifo"), true, EINVAL},
                 {dir.File("fifo"), false, EINVAL},
                 {dir.Path().string(), true, EISDIR},
                 {dir.Path().string(), false, EISDIR},
                 {dir.File("missing"), false, ENOENT}};
    for (const auto& c : cases) {
        clsFileIo file;
        EXPECT_FALSE(OpenAs(file, c.path, c.forWriting)) << c.path;
        EXPECT_EQ(errno, c.error) << c.path;
        EXPECT_EQ(file.FileHandle(), -1);
    }
}

// Which opens of the same file may be held together: a writer excludes everyone, readers share.
TEST_F(FileIoTest, SharesAFileOnlyBetweenReaders) {
    testing::WriteBytes(path, Bytes("data"));
    for (const bool firstWrites : {true, false}) {
        for (const bool secondWrites : {true, false}) {
            auto first = std::make_unique<clsFileIo>();
            ASSERT_TRUE(OpenAs(*first, path, firstWrites));
            clsFileIo second;
            const bool shared = !firstWrites && !secondWrites;
            EXPECT_EQ(OpenAs(second, path, secondWrites) ? 0 : errno, shared ? 0 : EBUSY);
            // Releasing the first object lets the file go.
            second.CloseFile();
            first.reset();
            clsFileIo third;
            EXPECT_TRUE(OpenAs(third, path, secondWrites));
        }
    }
    clsFileIo file;
    ASSERT_TRUE(file.OpenFile(path));
    EXPECT_FALSE(file.OpenFile(dir.File("other.bin")));
    EXPECT_EQ(errno, EBUSY);
    EXPECT_FALSE(platform::FileExists(dir.File("other.bin")));
    EXPECT_TRUE(file.CloseFile());
    EXPECT_FALSE(file.CloseFile());
}

} // namespace
} // namespace tarn
