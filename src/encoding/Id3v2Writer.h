#pragma once

#include "encoding/WavTags.h"

#include <cstdint>
#include <vector>

namespace tarn {

// An ID3v2.3 tag of the fields, in the order TIT2 (title), TPE1 (artist), TALB (album), TYER
// (the year: a date's first four digits; no frame for a date that does not begin with them), TRCK
// (track), TCON (genre) and COMM (comment, of no stated language), each text in ISO-8859-1 when
// every character fits and in UTF-16 with a byte order mark otherwise; empty fields have no frame,
// and fields all empty give no tag at all.
std::vector<std::uint8_t> Id3v23Tag(const TagFields& fields);

// The tag an MP3 file made from a WAV file with these tags begins with: the WAV file's own ID3v2
// tag as it is, else one of its INFO fields; empty when it has neither.
std::vector<std::uint8_t> Mp3TagFor(const WavTags& tags);

} // namespace tarn
