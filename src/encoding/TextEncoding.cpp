#include "encoding/TextEncoding.h"

#include <array>
#include <cstddef>

namespace tarn {

namespace {

// The characters of bytes 0x80 to 0x9F; the rest of the code page is ISO-8859-1.
constexpr std::array<char32_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the sequence a lead byte starts; 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0U) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0U) == 0xE0) {
        return 3;
    }
    return (lead & 0xF8U) == 0xF0 ? 4 : 0;
}

} // namespace

std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    // The smallest character each length may carry; anything less is an overlong form.
    constexpr std::array<char32_t, 5> kLeast{0, 0, 0x80, 0x800, 0x10000};
    std::u32string characters;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = SequenceLength(lead);
        if (length == 0 || length > text.size() - i) {
            return std::nullopt;
        }
        char32_t character = length == 1 ? lead : lead & (0x7FU >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0U) != 0x80) {
                return std::nullopt;
            }
            character = (character << 6U) | (next & 0x3FU);
        }
        if (character < kLeast.at(length) || character > 0x10FFFF ||
            (character >= 0xD800 && character <= 0xDFFF)) {
            return std::nullopt;
        }
        characters.push_back(character);
        i += length;
    }
    return characters;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string utf8;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        const char32_t c =
            value >= 0x80 && value < 0xA0 ? kWindows1252High.at(value - 0x80U) : char32_t{value};
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8.push_back(static_cast<char>(0xC0U | (c >> 6U)));
            utf8.push_back(static_cast<char>(0x80U | (c & 0x3FU)));
        } else {
            utf8.push_back(static_cast<char>(0xE0U | (c >> 12U)));
            utf8.push_back(static_cast<char>(0x80U | ((c >> 6U) & 0x3FU)));
            utf8.push_back(static_cast<char>(0x80U | (c & 0x3FU)));
        }
    }
    return utf8;
}

} // namespace tarn
