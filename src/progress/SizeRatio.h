#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// The expected ratio of a WAV file's length to the length of the MP3 file made from it, by the
// bit rate text (kbit/s) and the WAV file's format; halved for a one-channel file. Nothing for a
// bit rate text, sample rate or sample width that the table does not hold.
std::optional<double> SizeRatio(const std::string& bitrateText, std::int32_t sampleRate,
                                std::int16_t bitsPerSample, std::int16_t channels);

// The MP3 length to expect from a WAV file of `wavLength` bytes; nothing when the ratio is not
// a usable positive number.
std::optional<double> ExpectedMp3Length(std::int64_t wavLength, double ratio);

} // namespace tarn
