#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn::testing {

// The fields of one MPEG audio frame header.
struct Mp3Frame {
    bool crc = false; // error protection: the protection bit is 0
    int bitrateKbps = 0, sampleRate = 0;
    bool privateBit = false;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool copyright = false, original = false;
};

// Every frame of a file made only of MPEG-1 layer III frames; nothing when anything else is found.
std::optional<std::vector<Mp3Frame>> ParseMp3Frames(const std::vector<std::uint8_t>& bytes);

std::vector<std::uint8_t> ReadAllBytes(const std::string& path);

// 16-bit PCM as an independent decoder gave it back.
struct DecodedSound {
    int sampleRate = 0, channels = 0;
    std::vector<std::int16_t> samples; // interleaved

    std::size_t Frames() const {
        return channels == 0 ? 0 : samples.size() / static_cast<std::size_t>(channels);
    }
};

// Decodes an MP3 file (a path without quotes) with Debian's mpg123; nothing when it fails.
std::optional<DecodedSound> DecodeWithMpg123(const std::string& mp3Path);

// The amplitude (1.0 = full scale) of the tone of `frequency` in a channel, in the middle half.
double ToneLevel(const DecodedSound& sound, int channel, double frequency);

} // namespace tarn::testing
