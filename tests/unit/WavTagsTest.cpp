#include "tags/WavTags.h"

#include "support/TableRows.h"
#include "support/WavFiles.h"
#include "tags/InfoText.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::Bytes;
using testing::List;
using namespace std::string_literals;

TEST(InfoTextHandlerTest, ReadsUtf8ElseWindows1252AndTrimsAndBounds) {
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
    const InfoTextHandler handler;
    for (const auto& [raw, text] : cases) {
        const TagLib::ByteVector bytes(raw.data(), static_cast<unsigned int>(raw.size()));
        EXPECT_EQ(handler.parse(bytes).to8Bit(true), text) << raw;
    }
}

struct TagRow {
    const char* name;
    Bytes file;
    bool tagged;
};

void PrintTo(const TagRow& row, std::ostream* out) {
    *out << row.name;
}

class Mp3TagForTest : public ::testing::TestWithParam<TagRow> {};

// Files that are no RIFF/WAVE files, or whose tags lie beyond what is read of their chunks, give
// no tag; a read that fails costs the tags alone.
TEST_P(Mp3TagForTest, GivesATagOnlyForWhatItReads) {
    const Bytes& file = GetParam().file;
    const auto length = static_cast<std::int64_t>(file.size());
    const ReadAtFunction read = [&](std::int64_t offset, void* buffer, std::size_t count) {
        const auto got = std::min<std::size_t>(count, file.size() - offset);
        std::memcpy(buffer, file.data() + offset, got);
        return Result<std::size_t>(got);
    };
    EXPECT_EQ(!Mp3TagFor(read, length).empty(), GetParam().tagged);
    int reads = 0;
    const ReadAtFunction failing = [&](std::int64_t offset, void* buffer, std::size_t count) {
        return ++reads > 1 ? Result<std::size_t>(Status::Failure(EIO))
                           : read(offset, buffer, count);
    };
    EXPECT_EQ(Mp3TagFor(failing, length), std::vector<std::uint8_t>());
}

std::vector<testing::Chunk> Junk(int count) {
    return std::vector<testing::Chunk>(static_cast<std::size_t>(count), {"JUNK", {}});
}

testing::Chunk Info() {
    return {"LIST", List({"INFO", "INAM", "T"})};
}

std::vector<testing::Chunk> operator+(std::vector<testing::Chunk> a, const testing::Chunk& b) {
    a.push_back(b);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Mp3TagForTest,
    ::testing::Values(TagRow{"info", testing::Riff({Info()}), true},
                      TagRow{"notWave", testing::Riff({Info()}, "AVI "), false},
                      TagRow{"junkBefore", testing::Riff(Junk(1000) + Info()), true},
                      TagRow{"tooMuchJunkBefore", testing::Riff(Junk(10000) + Info()), false},
                      TagRow{"cutShort", testing::Riff({{"LIST", List({"INFO", "INAM", "T"}), 99}}),
                             false}),
    testing::RowName);

} // namespace
} // namespace tarn
