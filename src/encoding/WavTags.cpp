#include "encoding/WavTags.h"

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

constexpr std::size_t kId3HeaderSize = 10;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsIdentifier(const std::uint8_t* bytes) {
    return std::all_of(bytes, bytes + 4, [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

// Fills the fields `into` lacks from `from`.
void Complete(TagFields& into, const TagFields& from) {
    for (const auto& [id, field] : kInfoFields) {
        if ((into.*field).empty()) {
            into.*field = from.*field;
        }
    }
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
        const std::string_view raw(reinterpret_cast<const char*>(&body[position + 8]), size);
        for (const auto& [id, field] : kInfoFields) {
            if (std::memcmp(&body[position], id, 4) == 0 && (fields.*field).empty()) {
                fields.*field = InfoFieldText(raw);
            }
        }
        position += 8 + size + size % 2;
    }
    return fields;
}

std::optional<std::vector<std::uint8_t>> Id3v2TagIn(std::span<const std::uint8_t> body) {
    if (body.size() < kId3HeaderSize || std::memcmp(body.data(), "ID3", 3) != 0) {
        return std::nullopt;
    }
    const std::uint8_t version = body[3];
    const std::uint8_t flags = body[5];
    // Version 2.3 defines the top three flags, 2.4 a fourth: the footer.
    const std::uint8_t undefinedFlags = version == 3 ? 0x1F : 0x0F;
    if ((version != 3 && version != 4) || body[4] == 0xFF || (flags & undefinedFlags) != 0 ||
        !std::all_of(&body[6], &body[10], [](std::uint8_t b) { return b < 0x80; })) {
        return std::nullopt;
    }
    const std::size_t size = (std::size_t{body[6]} << 21U) | (std::size_t{body[7]} << 14U) |
                             (std::size_t{body[8]} << 7U) | body[9];
    const std::size_t footer = (flags & 0x10U) != 0 ? kId3HeaderSize : 0;
    const std::size_t whole = kId3HeaderSize + size + footer;
    if (whole > body.size() || whole > kMaxTagBytes ||
        std::all_of(&body[kId3HeaderSize], &body[kId3HeaderSize + size],
                    [](std::uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(body.begin(),
                                     body.begin() + static_cast<std::ptrdiff_t>(whole));
}

WavTags ReadWavTags(const ReadAtFunction& read, const std::vector<TagChunk>& chunks) {
    WavTags tags;
    for (const TagChunk& chunk : chunks) {
        // An INFO list is read whole or not at all; an ID3v2 tag needs no more than its bound.
        if (!chunk.id3 && chunk.size > kMaxTagBytes) {
            continue;
        }
        std::vector<std::uint8_t> body(std::min<std::size_t>(chunk.size, kMaxTagBytes));
        const Result<std::size_t> got = read(chunk.bodyOffset, body.data(), body.size());
        if (!got || *got != body.size()) {
            continue;
        }
        if (!chunk.id3) {
            Complete(tags.fields, ParseInfoList(body).value_or(TagFields{}));
        } else if (tags.id3v2.empty()) {
            tags.id3v2 = Id3v2TagIn(body).value_or(std::vector<std::uint8_t>{});
        }
    }
    return tags;
}

} // namespace tarn
