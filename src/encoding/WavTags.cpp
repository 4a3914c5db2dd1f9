#include "encoding/WavTags.h"

#include <algorithm>
#include <cstring>

namespace tarn {

namespace {

constexpr std::size_t kId3HeaderSize = 10;

} // namespace

std::optional<std::vector<std::uint8_t>> Id3v2TagIn(std::span<const std::uint8_t> body) {
    if (body.size() < kId3HeaderSize || std::memcmp(body.data(), "ID3", 3) != 0) {
        return std::nullopt;
    }
    const std::uint8_t version = body[3];
    const std::uint8_t flags = body[5];
    // Version 2.3 defines the top three flags, 2.4 a fourth: the footer.
    const std::uint8_t undefinedFlags = version == 3 ? 0x1F : 0x0F;
    if ((version != 3 && version != 4) || body[4] == 0xFF || (flags & undefinedFlags) != 0 ||
        !std::all_of(body.begin() + 6, body.begin() + 10,
                     [](std::uint8_t b) { return b < 0x80; })) {
        return std::nullopt;
    }
    const std::size_t size = (std::size_t{body[6]} << 21U) | (std::size_t{body[7]} << 14U) |
                             (std::size_t{body[8]} << 7U) | body[9];
    const std::size_t footer = (flags & 0x10U) != 0 ? kId3HeaderSize : 0;
    const std::size_t whole = kId3HeaderSize + size + footer;
    if (whole > body.size() || whole > kMaxTagBytes ||
        std::ranges::all_of(body.subspan(kId3HeaderSize, size),
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
            CompleteFields(tags.fields, ParseInfoList(body).value_or(TagFields{}));
        } else if (tags.id3v2.empty()) {
            tags.id3v2 = Id3v2TagIn(body).value_or(std::vector<std::uint8_t>{});
        }
    }
    return tags;
}

} // namespace tarn
