#include "encoding/WavTags.h"

#include "encoding/Id3v2Writer.h"
#include "support/WavFiles.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::Bytes;
using testing::List;
using namespace std::string_literals;

Bytes B(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(InfoFieldTextTest, ReadsUtf8ElseWindows1252AndTrimsAndBounds) {
    const std::string a1020(1020, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"  A \t\0B"s, "  A"},
        {" \t"s, ""},
        {"\xC3\xA9\xF4\x8F\xBF\xBF\xEF\xBF\xBF\xED\x9F\xBF\xEE\x80\x80",
         "é\U0010FFFF\uFFFF\uD7FF\uE000"},
        {"\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF", "€\u0081\u008D\u008F\u0090\u009D\u0178\u00A0ÿ"},
        {"\xC3\xA9\xE9", "Ã©é"},      // valid UTF-8 only in part
        {"\xC0\xAF", "À¯"},           // overlong
        {"\xE0\x80\xAF", "à€¯"},      // overlong, three bytes
        {"\xED\xA0\x80", "í\u00A0€"}, // a surrogate
        {"\xF4\x90\x80\x80", "ô\u0090€€"},
        {"\xF8\x88\x80\x80\x80", "ø\u02C6€€€"},
        {"\xE2\x82", "â\u201A"}, // cut short
        {"\xE2x\xAC", "âx¬"},
        {a1020 + "a🎵", a1020 + "a"},
        {a1020 + "    x", a1020},
    };
    for (const auto& [raw, text] : cases) {
        EXPECT_EQ(InfoFieldText(raw), text) << raw;
    }
}

TEST(ParseInfoListTest, TakesEachFieldOnceAndRefusesDamage) {
    const std::pair<Bytes, std::optional<TagFields>> cases[] = {
        {List({"INFO", "INAM", "T", "IART", "Ar", "IPRD", "Al\0"s, "ICRD", "2024-05-01", "ISFT",
               "Lavf", "IX  ", "x", "IPRT", "3/12", "IGNR", "Rock", "ICMT", "C"}),
         TagFields{"T", "Ar", "Al", "2024-05-01", "3/12", "Rock", "C"}},
        {List({"INFO", "INAM", " ", "INAM", "2nd", "INAM", "3rd", "ITRK", "1", "IPRT", "2"}),
         TagFields{.title = "2nd", .track = "1"}},
        {List({"INFO"}), TagFields{}},
        {List({"adtl", "INAM", "T"}), std::nullopt},
        {B("INF"), std::nullopt},
        {B("INFOINAM\3\0\0\0Tx"s), std::nullopt},  // past the end
        {B("INFOICMT\3\0\0\0odd"s), std::nullopt}, // no pad byte
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
    const std::pair<Bytes, std::size_t> cases[] = {
        {header(3, '\xE0', "\0\0\0\5"s, 5), 15},
        {header(4, 0x10, "\0\0\0\2"s, 12), 22},
        {header(4, 0x10, "\0\0\0\2"s, 11), 0},
        {header(4, 0, "\0\3\x7F\x76"s, kMaxTagBytes), kMaxTagBytes},
        {header(4, 0, "\0\3\x7F\x77"s, kMaxTagBytes), 0},
        {header(3, 0x10, "\0\0\0\1"s, 1), 0},
        {header(2, 0, "\0\0\0\1"s, 1), 0},
        {header(5, 0, "\0\0\0\1"s, 1), 0},
        {B("ID3\3\xFF\0\0\0\0\1x"s), 0},
        {header(3, 0, "\0\0\0\6"s, 5), 0},
        {header(3, 0, "\x80\0\0\1"s, 1), 0},
        {header(3, 0, "\0\0\0\x81"s, 0x81), 0},
        {header(3, 0, "\0\0\0\0"s, 9), 0},
        {B("ID3\3\0\0\0\0\0\3\0\0\0\7"s), 0}, // padding alone
        {B("TAG\3\0\0\0\0\0\1x"s), 0},
    };
    for (const auto& [body, length] : cases) {
        const auto tag = Id3v2TagIn(body);
        EXPECT_EQ(tag ? *tag : Bytes(), Bytes(body.begin(), body.begin() + long(length)))
            << &body - &cases[0].first;
    }
    EXPECT_EQ(Id3v23Tag({.date = "May 2024"}), Bytes()); // no year, no year frame: no tag
}

} // namespace
} // namespace tarn
