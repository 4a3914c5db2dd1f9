#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::testing {

struct WavSpec {
    std::int32_t sampleRate = 44100;
    std::int16_t bitsPerSample = 16;
    std::int16_t channels = 2;
    // Frames of sound: one sample per channel each.
    std::int64_t frames = 4410;
    // A sine tone per channel; channel c plays frequency × (c + 1).
    double frequency = 440.0;
    double amplitude = 0.5;
    // A LIST chunk before "fmt " and one between "fmt " and "data", as some writers place them.
    bool listBeforeFmt = false;
    bool listBeforeData = false;
    // Bytes appended after the data chunk (a trailing chunk).
    std::vector<std::uint8_t> trailer;
    // Overrides the size written in the data chunk's header (for files that claim more).
    std::int64_t claimedDataSize = -1;
    // An extra byte of data, giving an odd data length.
    bool oddDataByte = false;
};

// The bytes of a PCM WAV file with these properties.
std::vector<std::uint8_t> MakeWav(const WavSpec& spec);
void WriteWav(const std::string& path, const WavSpec& spec);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace tarn::testing
