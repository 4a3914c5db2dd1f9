#include "encoding/WavTags.h"

#include "encoding/Id3v2Writer.h"
#include "support/WavFiles.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::Bytes;
using testing::Chunk;
using namespace std::string_literals;

Bytes B(std::string_view text) {
    return {text.begin(), text.end()};
}
// The body of a LIST chunk: its form type, then identifiers and texts in turn, each padded.
Bytes List(const std::vector<std::string>& items) {
    std::vector<Chunk> chunks;
    for (std::size_t i = 1; i + 1 < items.size(); i += 2) {
        chunks.push_back({items[i].c_str(), B(items[i + 1])});
    }
    const Bytes riff = testing::Riff(chunks, items[0].c_str());
    return {riff.begin() + 8, riff.end()};
}

TEST(InfoFieldTextTest, ReadsUtf8ElseWindows1252AndTrimsAndBounds) {
    const std::string a1020(1020, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"Title\0\0"s, "Title"},
        {"Title \t \0"s, "Title"},
        {" \t"s, ""},
        {"  Lead"s, "  Lead"},
        {"A\0B"s, "A"},
        {"Caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x8E\xB5", "Café ✓ 🎵"},
        {"Caf\xE9 \x93x\x94", "Café “x”"},
        {"\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF", "€\u0081\u008D\u008F\u0090\u009D\u0178\u00A0ÿ"},
        {"\xC3\xA9\xE9", "Ã©é"},      // valid UTF-8 only in part
        {"\xC0\xAF", "À¯"},           // overlong
        {"\xE0\x80\xAF", "à€¯"},      // overlong, three bytes
        {"\xF0\x80\x80\xAF", "ð€€¯"}, // overlong, four bytes
        {"\xED\xA0\x80", "í\u00A0€"}, // a surrogate
        {"\xF4\x90\x80\x80", "ô\u0090€€"},
        {"\xF8\x88\x80\x80\x80", "ø\u02C6€€€"},
        {"\xE2\x82", "â\u201A"}, // cut short
        {"\xE2x\xAC", "âx¬"},
        {"\xF4\x8F\xBF\xBF", "\U0010FFFF"},
        {"\xEF\xBF\xBF\xED\x9F\xBF\xEE\x80\x80", "\uFFFF\uD7FF\uE000"},
        {a1020 + "abcd", a1020 + "abcd"},
        {a1020 + "abcde", a1020 + "abcd"},
        {a1020 + "abcé", a1020 + "abc"},
        {a1020 + "ab€", a1020 + "ab"},
        {a1020 + "a🎵", a1020 + "a"},
        {a1020 + "    x", a1020},
        {a1020 + "abc\xE9", a1020 + "abc"}, // Windows-1252, two bytes once in UTF-8
    };
    for (const auto& [raw, text] : cases) {
        EXPECT_EQ(InfoFieldText(raw), text) << raw;
    }
}

TEST(ParseInfoListTest, TakesEachFieldOnceAndRefusesDamage) {
    Bytes missingPad = List({"INFO", "INAM", "T", "ICMT", "odd"});
    missingPad.pop_back();
    const std::pair<Bytes, std::optional<TagFields>> cases[] = {
        {List({"INFO", "INAM", "T", "IART", "Ar", "IPRD", "Al\0"s, "ICRD", "2024-05-01", "ISFT",
               "Lavf", "IX  ", "x", "IPRT", "3/12", "IGNR", "Rock", "ICMT", "C"}),
         TagFields{"T", "Ar", "Al", "2024-05-01", "3/12", "Rock", "C"}},
        {List({"INFO", "INAM", " ", "INAM", "2nd", "INAM", "3rd", "ITRK", "1", "IPRT", "2"}),
         TagFields{.title = "2nd", .track = "1"}},
        {List({"INFO", "IPRT", "2", "ITRK", "1"}), TagFields{.track = "2"}},
        {List({"INFO"}), TagFields{}},
        {List({"adtl", "INAM", "T"}), std::nullopt},
        {B("INF"), std::nullopt},
        {B("INFOINAM\3\0\0\0Tx"s), std::nullopt}, // past the end
        {missingPad, std::nullopt},
        {List({"INFO", "IN\x01M", "T"}), std::nullopt},
        {List({"INFO", "INAM", "T", "\x7FNAM", "T"}), std::nullopt},
        {B("INFOINAM\2\0\0\0Tx\0"s), std::nullopt}, // loose bytes
    };
    for (const auto& [body, fields] : cases) {
        EXPECT_EQ(ParseInfoList(body), fields) << &body - &cases[0].first;
    }
}

TEST(Id3v2TagInTest, CopiesAValidTagAndRefusesOthers) {
    const auto header = [](char version, char flags, std::string_view size, std::size_t body) {
        return B("ID3"s + version + '\0' + flags + std::string(size) + std::string(body, 'x'));
    };
    Bytes padding = header(3, 0, "\0\0\0\3"s, 0);
    padding.insert(padding.end(), {0, 0, 0, 7});
    const std::pair<Bytes, std::size_t> cases[] = {
        {header(3, '\xE0', "\0\0\0\5"s, 5), 15},
        {header(4, '\xF0', "\0\0\0\5"s, 20), 25},
        {header(4, 0x10, "\0\0\0\2"s, 12), 22},
        {header(4, 0, "\0\3\x7F\x76"s, kMaxTagBytes), kMaxTagBytes},
        {header(4, 0, "\0\3\x7F\x77"s, kMaxTagBytes), 0},
        {header(4, 0x10, "\0\0\0\2"s, 11), 0},
        {header(3, 0x10, "\0\0\0\1"s, 1), 0},
        {header(4, 0x08, "\0\0\0\1"s, 1), 0},
        {header(2, 0, "\0\0\0\1"s, 1), 0},
        {header(5, 0, "\0\0\0\1"s, 1), 0},
        {B("ID3\3\xFF\0\0\0\0\1x"s), 0},
        {header(3, 0, "\0\0\0\6"s, 5), 0},
        {header(3, 0, "\x80\0\0\1"s, 1), 0},
        {header(3, 0, "\0\x80\0\1"s, 1), 0},
        {header(3, 0, "\0\0\x80\1"s, 1), 0},
        {header(3, 0, "\0\0\0\x81"s, 0x81), 0},
        {header(3, 0, "\0\0\1\0"s, 127), 0},
        {header(3, 0, "\0\0\0\0"s, 9), 0},
        {padding, 0},
        {B("ID3\3\0\0\0\0\0"s), 0},
        {B("TAG\3\0\0\0\0\0\1x"s), 0},
    };
    for (const auto& [body, length] : cases) {
        const auto tag = Id3v2TagIn(body);
        EXPECT_EQ(tag ? *tag : Bytes(), Bytes(body.begin(), body.begin() + long(length)))
            << &body - &cases[0].first;
    }
}

TEST(Id3v23TagTest, WritesTheFramesInTheNarrowestCharacterSet) {
    const auto text = [](const TagFields& fields) {
        const Bytes tag = Id3v23Tag(fields);
        return std::string(tag.begin(), tag.end());
    };
    // A date that does not begin with a year is kept whole.
    EXPECT_EQ(text({"Tïtle", "✓", "𝄞", "May 2024", "3/12", "Rock", "€"}),
              "ID3\3\0\0\0\0\0\x77"
              "TIT2\0\0\0\6\0\0\0T\xEFtle"
              "TPE1\0\0\0\5\0\0\1\xFF\xFE\x13\x27"
              "TALB\0\0\0\7\0\0\1\xFF\xFE\x34\xD8\x1E\xDD"
              "TYER\0\0\0\x09\0\0\0May 2024"
              "TRCK\0\0\0\5\0\0\0003/12"
              "TCON\0\0\0\5\0\0\0Rock"
              "COMM\0\0\0\x0C\0\0\1XXX\xFF\xFE\0\0\xFF\xFE\xAC\x20"s);
    EXPECT_EQ(text({.date = "1999-12"}), "ID3\3\0\0\0\0\0\x0FTYER\0\0\0\5\0\0\0001999"s);
    EXPECT_EQ(text({}), "");
    // Sizes past 127 bytes: the tag's is synchsafe, the frames' are not.
    const Bytes tag =
        Id3v23Tag({.title = std::string(300, 't'), .comment = std::string(1000, 'c')});
    EXPECT_EQ(Bytes(tag.begin() + 6, tag.begin() + 10), (Bytes{0, 0, 0x0A, 0x2E}));
    EXPECT_EQ(Bytes(tag.begin() + 14, tag.begin() + 18), (Bytes{0, 0, 1, 0x2D}));
    // A tag of the WAV file's own comes first.
    EXPECT_EQ(Mp3TagFor({{.title = "T"}, B("ID3")}), B("ID3"));
    EXPECT_EQ(Mp3TagFor({{.title = "T"}, {}}), Id3v23Tag({.title = "T"}));
}

// Reads `file` as pread(2) would, failing at `failing`.
ReadAtFunction Reader(const Bytes& file, std::int64_t failing = -1) {
    return [&file, failing](std::int64_t offset, void* buffer,
                            std::size_t count) -> Result<std::size_t> {
        const std::size_t n = std::min(count, file.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, file.data() + offset, n);
        return offset == failing ? Result<std::size_t>(Status::Failure(EIO)) : n;
    };
}

TEST(ReadWavTagsTest, TakesEachFieldAndTheTagFromTheFirstWholeChunkThatGivesThem) {
    const Bytes tag = B("ID3\4\0\0\0\0\0\1x"s);
    Bytes padded = tag;
    padded.resize(kMaxTagBytes + 1);
    const Bytes file =
        testing::Riff({{"LIST", List({"INFO", "INAM", "T"})},
                       {"id3 ", B("ID3\2\0\0\0\0\0\1x"s)},
                       {"fmt ", testing::Fmt(2, 44100, 16)},
                       {"data", Bytes(4)},
                       {"LIST", List({"INFO", "INAM", "U", "IART", "A"})},
                       {"LIST", List({"adtl", "IGNR", "G"})},
                       {"LIST", List({"INFO", "ICMT", std::string(kMaxTagBytes, 'c')})},
                       {"ID3 ", padded},
                       {"id3 ", B("ID3\3\0\0\0\0\0\1y"s)}});
    const std::vector<TagChunk> chunks = LocateWavData(Reader(file), long(file.size()))->tagChunks;
    ASSERT_EQ(chunks.size(), 7U);
    const WavTags tags = ReadWavTags(Reader(file), chunks);
    EXPECT_EQ(tags.fields, (TagFields{.title = "T", .artist = "A"}));
    EXPECT_EQ(tags.id3v2, tag);
    // A chunk that cannot be read is passed over.
    EXPECT_EQ(ReadWavTags(Reader(file, chunks[0].bodyOffset), chunks).fields.title, "U");
}

} // namespace
} // namespace tarn
