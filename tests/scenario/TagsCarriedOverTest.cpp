// WAV files tagged by other programs go through a job; other programs read their MP3 files.
#include "support/JobFixture.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

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
    std::string tail;  // chunks after the end: a later title, damaged chunks costing only their own
    std::string read;  // the texts read back; empty when the MP3 file has no tag
};

// NOLINTBEGIN(cert-err58-cpp): test data, made once before any test runs
const std::string kLong(1100, 'c');
const TaggedFile kFiles[] = {
    {"cp1252AfterTheData", "Caf\xE9 \x93x\x94|\x80uro|Na\xEFve|2024-05-01|3/12|Pop|" + kLong, true,
     "", "LIST\xE8\3\0\0INFOINAM\4\0\0\0Lost"s,
     "Café “x”|€uro|Naïve|2024|3/12|Pop|" + kLong.substr(0, 1024)},
    {"asciiAndUtf8", "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓", false, "",
     "LIST\20\0\0\0INFOINAM\4\0\0\0Lastid3 \13\0\0\0ID3\3\0\0\0\0\0\1x"s,
     "Tïtle ✓|Ärtist 🎵|Альбом|1999|7|Jazz|Ça va ✓"},
    {"id3", "Info|Info|Info|1000|9|Info|Info", false, "Id3 ✓|A|B|2001|1/2|Soul|Note", "",
     "Id3 ✓|A|B|2001|1/2|Soul|Note"},
    {"isft", "", false, "", "", ""},
};
// NOLINTEND(cert-err58-cpp)

// Fixed commands of Debian's programs, with the paths of the test's own folder.
void Shell(const std::vector<std::string>& words) {
    std::string command;
    for (const std::string& word : words) {
        command += word + ' ';
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << command; // NOLINT(cert-env33-c)
}

void Write(const std::string& wav, const TaggedFile& file) {
    std::string command = "ffmpeg -loglevel error -f lavfi -i sine=duration=0.5 -ac 2";
    std::istringstream texts(file.info);
    std::size_t key = 0;
    for (std::string text; std::getline(texts, text, '|');) {
        command += " -metadata "s + kKeys[key++] + "='" + text + "'";
    }
    Shell({command, wav});
    std::string bytes = Contents(wav);
    if (file.infoAtTheEnd) { // ffmpeg writes it just before the data
        const std::size_t at = bytes.find("LIST"), length = bytes.find("data") - at;
        const std::string list = bytes.substr(at, length);
        bytes = bytes.erase(at, length) + list;
    }
    std::ofstream(wav) << bytes << file.tail;
    if (!file.id3.empty()) {
        Shell({"/usr/bin/python3 -c \"import sys; from mutagen import id3, wave; w = wave.WAVE(sys."
               "argv[1]); w.add_tags(); [w.tags.add(getattr(id3, k)(encoding=3, text=v)) for k, v "
               "in zip('TIT2 TPE1 TALB TDRC TRCK TCON COMM'.split(), sys.argv[2].split('|'))]; "
               "w.save()\"",
               wav, "'" + file.id3 + "'"});
    }
}

class TagsCarriedOverTest : public testing::JobFixture {};

// Each MP3 file is that of the lame command, after a tag that mutagen and ffprobe read when the
// WAV file has one; the job shows no message but its end.
TEST_F(TagsCarriedOverTest, ReadBackByOtherProgramsBeforeTheAudioOfLame) {
    for (const TaggedFile& file : kFiles) {
        Write(dir.File(file.name + ".wav"s), file);
        Add(file.name + ".wav"s);
    }
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.interactions,
              (testing::Names{"beep", "Tarn MP3 Encoder:            Job done!"}));

    for (const TaggedFile& file : kFiles) {
        const std::string wav = dir.File(file.name + ".wav"s);
        const std::string mp3 = dir.File(file.name + ".mp3"s);
        Shell({"lame --quiet -t -b 128 -m j --resample 44.1", wav, wav + ".mp3"});
        const std::string ours = Contents(mp3), lame = Contents(wav + ".mp3");
        EXPECT_TRUE(ours.ends_with(lame)) << file.name;
        EXPECT_EQ(ours.size() > lame.size(), !file.read.empty()) << file.name;
        if (file.read.empty()) {
            continue;
        }
        // Mutagen's texts, then ffprobe's.
        std::string readBack =
            "/usr/bin/python3 -c \"import json, subprocess, sys; from mutagen.id3 import ID3; t "
            "= ID3(sys.argv[1]); print('|'.join(str(t.getall(k)[0]) for k in 'TIT2 TPE1 TALB "
            "TDRC TRCK TCON COMM'.split())); p = json.loads(subprocess.check_output(['ffprobe', "
            "'-v', 'error', '-of', 'json', '-show_entries', 'format_tags', sys.argv[1]]))"
            "['format']['tags']; print('|'.join(p[k] for k in sys.argv[2:]))\"";
        Shell({readBack, mp3, "title artist album date track genre comment >", mp3 + ".txt"});
        EXPECT_EQ(Contents(mp3 + ".txt"), file.read + "\n" + file.read + "\n");
    }
}

} // namespace
} // namespace tarn
