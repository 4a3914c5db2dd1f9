#include "tags/InfoText.h"

#include <array>
#include <string>

namespace tarn {

namespace {

// The characters of bytes 0x80 to 0x9F; the rest of the code page is ISO-8859-1.
constexpr std::array<wchar_t, 32> kWindows1252High{
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

std::string Windows1252ToUtf8(std::string_view text) {
    TagLib::String wide(TagLib::ByteVector(text.data(), static_cast<unsigned int>(text.size())),
                        TagLib::String::Latin1);
    for (int i = 0; i < static_cast<int>(wide.size()); ++i) {
        if (wide[i] >= 0x80 && wide[i] < 0xA0) {
            wide[i] = kWindows1252High.at(static_cast<std::size_t>(wide[i] - 0x80));
        }
    }
    return wide.to8Bit(true);
}

} // namespace

bool IsUtf8(std::string_view text) {
    // The smallest character each length may carry; anything less is an overlong form.
    constexpr std::array<char32_t, 5> kLeast{0, 0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = SequenceLength(lead);
        if (length == 0 || length > text.size() - i) {
            return false;
        }
        char32_t character = length == 1 ? lead : lead & (0x7FU >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0U) != 0x80) {
                return false;
            }
            character = (character << 6U) | (next & 0x3FU);
        }
        if (character < kLeast.at(length) || character > 0x10FFFF ||
            (character >= 0xD800 && character <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

TagLib::String InfoTextHandler::parse(const TagLib::ByteVector& data) const {
    std::string_view raw(data.data(), data.size());
    raw = raw.substr(0, raw.find('\0'));
    std::string text = IsUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw);
    if (text.size() > kMaxInfoTextBytes) {
        std::size_t cut = kMaxInfoTextBytes;
        while ((static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80) {
            --cut; // back to the first byte of the character that crosses the bound
        }
        text.resize(cut);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return {text, TagLib::String::UTF8};
}

} // namespace tarn
