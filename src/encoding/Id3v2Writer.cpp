#include "encoding/Id3v2Writer.h"

#include "encoding/TextEncoding.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

namespace tarn {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kIso88591 = 0;
constexpr std::uint8_t kUtf16 = 1;
// A text takes at most two bytes of UTF-16 for each of its bytes of UTF-8; with the frame's own
// bytes, a written tag keeps to the bound of a copied one.
constexpr std::size_t kMaxFrameBytes = 10 + 1 + 3 + 4 + 2 + 2 * kMaxFieldBytes;
static_assert(10 + 7 * kMaxFrameBytes <= kMaxTagBytes);

void PutBigEndian(Bytes& out, std::size_t value, unsigned bitsPerByte) {
    for (unsigned shift = 3 * bitsPerByte;; shift -= bitsPerByte) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & ((1U << bitsPerByte) - 1)));
        if (shift == 0) {
            return;
        }
    }
}

void PutUtf16(Bytes& out, char16_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFFU));
    out.push_back(static_cast<std::uint8_t>(unit >> 8U));
}

// The encoding byte's choice for the text, then the text without a terminator.
std::pair<std::uint8_t, Bytes> Encoded(const std::string& utf8) {
    const std::u32string text = DecodeUtf8(utf8).value_or(std::u32string());
    Bytes out;
    if (std::all_of(text.begin(), text.end(), [](char32_t c) { return c <= 0xFF; })) {
        for (const char32_t c : text) {
            out.push_back(static_cast<std::uint8_t>(c));
        }
        return {kIso88591, out};
    }
    PutUtf16(out, 0xFEFF);
    for (const char32_t c : text) {
        if (c < 0x10000) {
            PutUtf16(out, static_cast<char16_t>(c));
        } else {
            PutUtf16(out, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10U)));
            PutUtf16(out, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FFU)));
        }
    }
    return {kUtf16, out};
}

void PutFrame(Bytes& tag, const char* id, const Bytes& content) {
    tag.insert(tag.end(), id, id + 4);
    PutBigEndian(tag, content.size(), 8);
    tag.insert(tag.end(), {0, 0}); // no flags
    tag.insert(tag.end(), content.begin(), content.end());
}

// The year a date begins with; empty for a date that begins otherwise, which a year frame cannot
// hold: readers drop such a frame, or show it as it is.
std::string Year(const std::string& date) {
    const bool startsWithYear =
        date.size() >= 4 &&
        std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; });
    return startsWithYear ? date.substr(0, 4) : "";
}

} // namespace

std::vector<std::uint8_t> Id3v23Tag(const TagFields& fields) {
    Bytes frames;
    const std::pair<const char*, std::string> texts[] = {
        {"TIT2", fields.title},      {"TPE1", fields.artist}, {"TALB", fields.album},
        {"TYER", Year(fields.date)}, {"TRCK", fields.track},  {"TCON", fields.genre}};
    for (const auto& [id, text] : texts) {
        if (!text.empty()) {
            auto [encoding, content] = Encoded(text);
            content.insert(content.begin(), encoding);
            PutFrame(frames, id, content);
        }
    }
    if (!fields.comment.empty()) {
        const auto [encoding, text] = Encoded(fields.comment);
        Bytes content{encoding, 'X', 'X', 'X'};
        // An empty description, terminated.
        const Bytes description = encoding == kUtf16 ? Bytes{0xFF, 0xFE, 0, 0} : Bytes{0};
        content.insert(content.end(), description.begin(), description.end());
        content.insert(content.end(), text.begin(), text.end());
        PutFrame(frames, "COMM", content);
    }
    if (frames.empty()) {
        return {};
    }
    Bytes tag{'I', 'D', '3', 3, 0, 0};
    PutBigEndian(tag, frames.size(), 7); // a synchsafe size
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

std::vector<std::uint8_t> Mp3TagFor(const WavTags& tags) {
    return tags.id3v2.empty() ? Id3v23Tag(tags.fields) : tags.id3v2;
}

} // namespace tarn
