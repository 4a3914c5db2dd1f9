#pragma once

#include "encoding/WavSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarn {

// The most bytes of pictures a tag carries over, all its pictures together.
inline constexpr std::size_t kMaxPictureBytes = std::size_t{16} << 20;
// The most bytes a WAV file's tags are read in one piece: an ID3v2 tag longer than that is read
// only as far, and keeps the texts that come before the cut.
inline constexpr std::size_t kMaxTagReadBytes = kMaxPictureBytes + (std::size_t{1} << 20);

// The ID3v2.3 tag an MP3 file made from a RIFF/WAVE file of `length` bytes begins with; empty
// when the file gives none. Each of the title, artist, album, date, track, genre and comment
// comes from the file's ID3v2 tag (its first "id3 " or "ID3 " chunk) where that has it, else
// from its first INFO list (track from ITRK, else IPRT). A date travels as its year, or as year,
// month and day (YYYY-MM-DD), and not at all when it begins otherwise. The ID3v2 tag's pictures
// travel with their MIME type, picture type and description when they come to kMaxPictureBytes
// at most and the tag was read whole. Tags that cannot be read, or only in part, give what could
// be read.
std::vector<std::uint8_t> Mp3TagFor(const ReadAtFunction& read, std::int64_t length);

} // namespace tarn
