// WAV files tagged by other programs go through a job; other programs read their MP3 files.
#include "common/LittleEndian.h"
#include "support/JobFixture.h"
#include "support/Mp3Inspect.h"

#include <gtest/gtest.h>
#include <map>
#include <span>
#include <sstream>

namespace tarn {
namespace {

using testing::CommandOutput;
using testing::Contents;
using namespace std::string_literals;

constexpr const char* kKeys[] = {"title", "artist", "album", "date", "track", "genre", "comment"};

struct TaggedFile {
    const char* name;
    const char* info;  // the texts ffmpeg writes, by kKeys; none for a file without a LIST chunk
    bool infoAtTheEnd; // the LIST chunk moved after the data
    const char* id3;   // the texts of an ID3v2.4 tag that mutagen adds in an "id3 " chunk
    std::string tail;  // bytes after the end, such as a damaged chunk
    const char* read;  // the texts read back; none when the MP3 file has no tag
};

class TagsCarriedOverTest : public testing::JobFixture {};

// The MP3 file of each is that of the lame command, after the tag when it has one, and the job
// shows no message but its end.
TEST_F(TagsCarriedOverTest, ReadBackByOtherProgramsBeforeTheAudioOfLame) {
    const TaggedFile files[] = {
        {"ascii", "Title|Artist|Album|2024-05-01|3/12|Rock|Comment", true, nullptr, "",
         "Title|Artist|Album|2024|3/12|Rock|Comment"},
        {"utf8", "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓", false, nullptr, "",
         "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓"},
        {"cp1252", "Caf\xE9 \x93x\x94|\x80uro|Na\xEFve|1987|1/9|Pop|Voil\xE0", false, nullptr, "",
         "Café “x”|€uro|Naïve|1987|1/9|Pop|Voilà"},
        {"id3", "Info|Info|Info|1000|9|Info|Info", false, "Id3 ✓|A|B|2001|1/2|Soul|Note", "",
         "Id3 ✓|A|B|2001|1/2|Soul|Note"},
        {"isft", "", false, nullptr, "", ""},
        {"none", nullptr, false, nullptr, "", ""},
        {"pastTheEnd", "", false, nullptr, "LIST\xE8\3\0\0INFOINAM\4\0\0\0Lost"s, ""},
        {"noPadByte", "", false, nullptr, "id3 \13\0\0\0ID3\3\0\0\0\0\0\1x"s, ""},
        {"fieldPastTheList", "", false, nullptr, "LIST\20\0\0\0INFOINAM\x40\0\0\0Lost"s, ""},
        {"notAnIdentifier", "", false, nullptr, "LIST\14\0\0\0INFO\1NAM\0\0\0\0"s, ""},
        {"id3v22", "", false, nullptr, "id3 \14\0\0\0ID3\2\0\0\0\0\0\2xx"s, ""},
    };
    for (const TaggedFile& file : files) {
        const std::string wav = dir.File(file.name + ".wav"s);
        if (file.info == nullptr) {
            testing::WriteWav(wav, {});
            Add(file.name + ".wav"s);
            continue;
        }
        std::string command = "ffmpeg -loglevel error -f lavfi -i sine=duration=0.5 -ac 2";
        std::istringstream texts(file.info);
        std::size_t i = 0;
        for (std::string text; std::getline(texts, text, '|'); ++i) {
            command += " -metadata "s + kKeys[i] + "='" + text + "'";
        }
        CommandOutput(command + " " + wav);
        std::string bytes = Contents(wav);
        if (file.infoAtTheEnd) {
            const std::size_t at = bytes.find("LIST");
            const auto* size = reinterpret_cast<const std::uint8_t*>(&bytes[at + 4]);
            const std::string list = bytes.substr(at, 8 + ReadU32(size));
            bytes = bytes.erase(at, list.size()) + list;
        }
        std::ofstream(wav) << bytes << file.tail;
        if (file.id3 != nullptr) {
            CommandOutput("/usr/bin/python3 -c \"import sys; from mutagen import id3, wave; w = "
                          "wave.WAVE(sys.argv[1]); w.add_tags(); [w.tags.add(getattr(id3, k)("
                          "encoding=3, text=v)) for k, v in zip(('TIT2', 'TPE1', 'TALB', 'TDRC', "
                          "'TRCK', 'TCON', 'COMM'), sys.argv[2].split('|'))]; w.save()\" " +
                          wav + " '" + file.id3 + "'");
        }
        Add(file.name + ".wav"s);
    }
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.interactions,
              (testing::Names{"beep", "Tarn MP3 Encoder:            Job done!"}));

    for (const TaggedFile& file : files) {
        const std::string wav = dir.File(file.name + ".wav"s);
        const std::string mp3 = dir.File(file.name + ".mp3"s);
        CommandOutput("lame --quiet -t -b 128 -m j --resample 44.1 " + wav + " " + wav + ".mp3");
        const std::string ours = Contents(mp3);
        const std::string lame = Contents(wav + ".mp3");
        ASSERT_FALSE(lame.empty());
        EXPECT_TRUE(ours.ends_with(lame)) << file.name;
        EXPECT_EQ(ours.size() > lame.size(), std::string_view(file.read) != "") << file.name;
        if (ours.size() == lame.size()) {
            continue;
        }
        EXPECT_EQ(CommandOutput("/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3; "
                                "t = ID3(sys.argv[1]); print('|'.join(str(t.get(k, '')) for k in "
                                "('TIT2', 'TPE1', 'TALB', 'TDRC', 'TRCK', 'TCON')) + '|' + "
                                "str(t.getall('COMM')[0]))\" " +
                                mp3),
                  file.read + "\n"s);
        std::map<std::string, std::string> probed;
        std::istringstream lines(
            CommandOutput("ffprobe -v error -of default=nw=1 -show_entries format_tags " + mp3));
        for (std::string line; std::getline(lines, line);) {
            probed[line.substr(4, line.find('=') - 4)] = line.substr(line.find('=') + 1);
        }
        std::string texts = probed[kKeys[0]];
        for (const char* key : std::span(kKeys).subspan(1)) {
            texts += "|" + probed[key];
        }
        EXPECT_EQ(texts, file.read);
    }
}

} // namespace
} // namespace tarn
