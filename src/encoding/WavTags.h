#pragma once

#include "encoding/InfoList.h"
#include "encoding/WavSource.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarn {

// The longest LIST chunk body read for its fields, and the longest ID3v2 tag carried over.
inline constexpr std::size_t kMaxTagBytes = std::size_t{64} * 1024;

struct WavTags {
    TagFields fields;
    // A whole ID3v2.3 or 2.4 tag from an "id3 " chunk, header and all; empty without one.
    std::vector<std::uint8_t> id3v2;
};

// The ID3v2.3 or 2.4 tag that begins the body of an "id3 " chunk, header (and footer) included;
// nothing when the header is not one of those versions, when the tag does not fit in the body or
// in kMaxTagBytes, or when it holds nothing but padding.
std::optional<std::vector<std::uint8_t>> Id3v2TagIn(std::span<const std::uint8_t> body);

// The tags of the chunks the walk found: the first valid ID3v2 tag, and each field from the first
// INFO list that gives it. A chunk that cannot be read or is damaged gives nothing.
WavTags ReadWavTags(const ReadAtFunction& read, const std::vector<TagChunk>& chunks);

} // namespace tarn
