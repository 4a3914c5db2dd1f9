#include "encoding/InfoList.h"

#include "common/LittleEndian.h"
#include "encoding/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace tarn {

namespace {

using TextField = std::string TagFields::*;

constexpr std::array<std::pair<const char*, TextField>, 8> kInfoFields{{
    {"INAM", &TagFields::title},
    {"IART", &TagFields::artist},
    {"IPRD", &TagFields::album},
    {"ICRD", &TagFields::date},
    {"ITRK", &TagFields::track},
    {"IPRT", &TagFields::track},
    {"IGNR", &TagFields::genre},
    {"ICMT", &TagFields::comment},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsIdentifier(const std::uint8_t* bytes) {
    return std::all_of(bytes, bytes + 4, [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

} // namespace

std::string InfoFieldText(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    std::string text = DecodeUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw);
    if (text.size() > kMaxFieldBytes) {
        std::size_t cut = kMaxFieldBytes;
        while ((static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80) {
            --cut; // back to the first byte of the character that crosses the bound
        }
        text.resize(cut);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.pop_back();
    }
    return text;
}

std::optional<TagFields> ParseInfoList(std::span<const std::uint8_t> body) {
    if (body.size() < 4 || std::memcmp(body.data(), "INFO", 4) != 0) {
        return std::nullopt;
    }
    TagFields fields;
    std::size_t position = 4;
    while (position < body.size()) {
        if (body.size() - position < 8 || !IsIdentifier(&body[position])) {
            return std::nullopt;
        }
        const std::uint32_t size = ReadU32(&body[position + 4]);
        const std::size_t room = body.size() - position - 8;
        if (std::size_t{size} + size % 2 > room) {
            return std::nullopt;
        }
        const std::string_view raw(reinterpret_cast<const char*>(body.data() + position + 8), size);
        for (const auto& [id, field] : kInfoFields) {
            if (std::memcmp(&body[position], id, 4) == 0 && (fields.*field).empty()) {
                fields.*field = InfoFieldText(raw);
            }
        }
        position += 8 + size + size % 2;
    }
    return fields;
}

void CompleteFields(TagFields& into, const TagFields& from) {
    for (const auto& [id, field] : kInfoFields) {
        if ((into.*field).empty()) {
            into.*field = from.*field;
        }
    }
}

} // namespace tarn
