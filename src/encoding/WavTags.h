#pragma once

#include "encoding/WavSource.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// The longest text a field keeps, in bytes of UTF-8.
inline constexpr std::size_t kMaxFieldBytes = 1024;
// The longest tag chunk body read for its fields, and the longest ID3v2 tag carried over.
inline constexpr std::size_t kMaxTagBytes = 64 * 1024;

// The texts a WAV file's INFO lists give, in UTF-8; empty where they give none.
struct TagFields {
    std::string title;
    std::string artist;
    std::string album;
    std::string date; // a date or a year
    std::string track;
    std::string genre;
    std::string comment;

    bool operator==(const TagFields&) const = default;
};

struct WavTags {
    TagFields fields;
    // A whole ID3v2.3 or 2.4 tag from an "id3 " chunk, header and all; empty without one.
    std::vector<std::uint8_t> id3v2;
};

// The text of an INFO field: up to its first NUL, taken as UTF-8 when it is valid UTF-8 and as
// Windows-1252 otherwise, cut to kMaxFieldBytes at a character boundary, without trailing blanks.
std::string InfoFieldText(std::string_view raw);

// The fields of the body of a LIST chunk of form type INFO: INAM, IART, IPRD, ICRD, ITRK or IPRT
// (the first that has a text), IGNR and ICMT; other fields are passed over. Nothing for another
// form type, or for a damaged list: a field that runs past the list's end or misses its pad
// byte, an identifier that is not text, or loose bytes at the end.
std::optional<TagFields> ParseInfoList(std::span<const std::uint8_t> body);

// The ID3v2.3 or 2.4 tag that begins the body of an "id3 " chunk, header (and footer) included;
// nothing when the header is not one of those versions, when the tag does not fit in the body or
// in kMaxTagBytes, or when it holds nothing but padding.
std::optional<std::vector<std::uint8_t>> Id3v2TagIn(std::span<const std::uint8_t> body);

// The tags of the chunks the walk found: the first valid ID3v2 tag, and each field from the first
// INFO list that gives it. A chunk that cannot be read or is damaged gives nothing.
WavTags ReadWavTags(const ReadAtFunction& read, const std::vector<TagChunk>& chunks);

} // namespace tarn
