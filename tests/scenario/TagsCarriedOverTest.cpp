// WAV files tagged by other programs go through a job; other programs read their MP3 files.
#include "support/JobFixture.h"
#include "support/TableRows.h"
#include "tags/WavTags.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tarn {
namespace {

using testing::Contents;
using namespace std::string_literals;

constexpr const char* kKeys[] = {"title", "artist", "album", "date", "track", "genre", "comment"};

struct TaggedFile {
    const char* name;
    std::string info;  // the texts ffmpeg writes beside ISFT, by kKeys
    bool infoAtTheEnd; // the LIST chunk moved after the data
    std::string id3;   // the texts of an ID3v2.4 tag that mutagen adds in an "id3 " chunk
    std::size_t cover; // the bytes of its front cover; with one, ffmpeg writes no INFO list
    std::string tail;  // chunks after the end: a later title, damaged chunks costing only their own
    std::string read;  // the texts read back; empty when the MP3 file has no tag
    std::string pictures; // the pictures read back, a line each
};

// NOLINTBEGIN(cert-err58-cpp): test data, made once before any test runs
const std::string kLong(1100, 'c');
const std::string kTexts = "Id3 ✓|A|B|2001|1/2|Soul|Note";
const std::string kScript = "/usr/bin/python3 "s + TARN_SOURCE_DIR + "/tests/support/tags.py ";
// NOLINTEND(cert-err58-cpp)

// A fixed command of Debian's programs, with the paths of the test's own folder: its status.
int Shell(const std::string& command) {
    return std::system(command.c_str()); // NOLINT(cert-env33-c)
}

// Writes the WAV file: 0, else the status of the command that failed.
int Write(const std::string& wav, const TaggedFile& file) {
    std::string command = "ffmpeg -loglevel error -f lavfi -i sine=duration=0.5 -ac 2";
    command += file.cover > 0 ? " -fflags +bitexact" : ""; // no ISFT, so no INFO list
    std::istringstream texts(file.info);
    std::size_t key = 0;
    for (std::string text; std::getline(texts, text, '|');) {
        command += " -metadata "s + kKeys[key++] + "='" + text + "'";
    }
    if (const int status = Shell(command + " " + wav); status != 0) {
        return status;
    }
    std::string bytes = Contents(wav);
    if (file.infoAtTheEnd) { // ffmpeg writes it just before the data
        const std::size_t at = bytes.find("LIST"), length = bytes.find("data") - at;
        const std::string list = bytes.substr(at, length);
        bytes = bytes.erase(at, length) + list;
    }
    std::ofstream(wav) << bytes << file.tail;
    std::ofstream(wav + ".jpg") << std::string(file.cover, 'p') << "\xFF\xD9";
    const std::string cover = file.cover > 0 ? wav + ".jpg" : "";
    return file.id3.empty() ? 0 : Shell(kScript + "write " + wav + " '" + file.id3 + "' " + cover);
}

class TagsCarriedOverTest : public testing::JobFixture,
                            public ::testing::WithParamInterface<TaggedFile> {};

// The MP3 file is lame's, after any tag as mutagen and ffprobe read it; no message but the end.
TEST_P(TagsCarriedOverTest, ReadBackByOtherProgramsBeforeTheAudioOfLame) {
    const TaggedFile& file = GetParam();
    const std::string wav = dir.File(file.name + ".wav"s), mp3 = dir.File(file.name + ".mp3"s);
    ASSERT_EQ(Write(wav, file), 0);
    Add(file.name + ".wav"s);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.interactions,
              (testing::Names{"beep", "Tarn MP3 Encoder:            Job done!"}));

    ASSERT_EQ(Shell("lame --quiet -t -b 128 -m j --resample 44.1 " + wav + " " + wav + ".mp3"), 0);
    const std::string ours = Contents(mp3), lame = Contents(wav + ".mp3");
    EXPECT_TRUE(ours.ends_with(lame));
    EXPECT_EQ(ours.size() > lame.size(), !file.read.empty());
    if (!file.read.empty()) {
        ASSERT_EQ(Shell(kScript + "read " + mp3 + " " + wav + ".jpg > " + mp3 + ".txt"), 0);
        EXPECT_EQ(Contents(mp3 + ".txt"), file.read + "\n" + file.read + "\n" + file.pictures);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TagsCarriedOverTest,
    ::testing::Values(
        TaggedFile{"cp1252AfterTheData",
                   "Caf\xE9 \x93x\x94|\x80uro|Na\xEFve|2024-05-01|3/12|Pop|" + kLong, true, "", 0,
                   "LIST\xE8\3\0\0INFOINAM\4\0\0\0Lost"s,
                   "Café “x”|€uro|Naïve|2024-05-01|3/12|Pop|" + kLong.substr(0, 1024), ""},
        TaggedFile{"asciiAndUtf8", "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓", false, "", 0,
                   "LIST\20\0\0\0INFOINAM\4\0\0\0Lastid3 \13\0\0\0ID3\3\0\0\0\0\0\1x"s,
                   "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓", ""},
        TaggedFile{"id3", "Info|Info|Info|1000|9|Info|Info", false, kTexts, 0, "", kTexts, ""},
        TaggedFile{"isft", "", false, "", 0, "", "", ""},
        // As mutagen-based taggers write it: no INFO list, a cover in the "id3 " chunk.
        TaggedFile{"cover", "", false, kTexts, 300000, "", kTexts, "image/jpeg|3|Front ✓|same\n"},
        // One byte too many; a tag longer than is read, its texts before the picture.
        TaggedFile{"coverTooBig", "", false, kTexts, kMaxPictureBytes - 1, "", kTexts, ""},
        TaggedFile{"tagCut", "", false, kTexts, kMaxTagReadBytes, "", kTexts, ""}),
    testing::RowName);

} // namespace
} // namespace tarn
