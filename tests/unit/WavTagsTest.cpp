#include "tags/WavTags.h"

#include "support/WavFiles.h"
#include "tags/InfoText.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using namespace std::string_literals;

TEST(InfoTextHandlerTest, ReadsUtf8ElseWindows1252AndTrimsAndBounds) {
    const std::string a1020(1020, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"  A \t\0B"s, "  A"},
        {"\xC3\xA9\xF4\x8F\xBF\xBF\xEF\xBF\xBF\xED\x9F\xBF\xEE\x80\x80",
         "é\U0010FFFF\uFFFF\uD7FF\uE000"},
        {"\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF", "€\u0081\u008D\u008F\u0090\u009D\u0178\u00A0ÿ"},
        {"\xC3\xA9\xE9", "Ã©é"},      // valid UTF-8 only in part
        {"\xC0\xAF", "À¯"},           // overlong
        {"\xED\xA0\x80", "í\u00A0€"}, // a surrogate
        {"\xF4\x90\x80\x80", "ô\u0090€€"},
        {"\xE2\x82", "â\u201A"}, // cut short
        {a1020 + "a🎵", a1020 + "a"},
    };
    const InfoTextHandler handler;
    for (const auto& [raw, text] : cases) {
        const TagLib::ByteVector bytes(raw.data(), static_cast<unsigned int>(raw.size()));
        EXPECT_EQ(handler.parse(bytes).to8Bit(true), text) << raw;
    }
}

// Not RIFF/WAVE, or tags beyond the chunks read: no tag; a read that fails costs the tags alone.
TEST(Mp3TagForTest, GivesATagOnlyForWhatItReads) {
    const std::tuple<const char*, std::size_t, const char*, bool> rows[] = {
        {"junkBefore", 1000, "WAVE", true},
        {"notWave", 0, "AVI ", false},
        {"tooMuchJunkBefore", 10000, "WAVE", false}};
    for (const auto& [name, junk, form, tagged] : rows) {
        std::vector<testing::Chunk> chunks(junk, {"JUNK", {}});
        chunks.push_back({"LIST", testing::List({"INFO", "INAM", "T"})});
        const testing::Bytes file = testing::Riff(chunks, form);
        const ReadAtFunction read = [&file](std::int64_t offset, void* buffer, std::size_t count) {
            const auto got = std::min<std::size_t>(count, file.size() - offset);
            std::memcpy(buffer, file.data() + offset, got);
            return Result<std::size_t>(got);
        };
        EXPECT_EQ(!Mp3TagFor(read, std::ssize(file)).empty(), tagged) << name;
        const ReadAtFunction failing = [&read, reads = 0](std::int64_t offset, void* buffer,
                                                          std::size_t count) mutable {
            return ++reads > 1 ? Status::Failure(EIO) : read(offset, buffer, count);
        };
        EXPECT_EQ(Mp3TagFor(failing, std::ssize(file)), std::vector<std::uint8_t>()) << name;
    }
}

} // namespace
} // namespace tarn
