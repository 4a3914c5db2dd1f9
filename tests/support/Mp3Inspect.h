#pragma once

#include "common/LittleEndian.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace tarn::testing {

struct Mp3Frame {
    bool crc = false; // error protection: the protection bit is 0
    int bitrateKbps = 0, sampleRate = 0;
    bool privateBit = false;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool copyright = false, original = false;
};

inline constexpr int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                      112, 128, 160, 192, 224, 256, 320, -1};
inline constexpr int kRates[4] = {44100, 48000, 32000, -1};
// Every frame of a file made only of MPEG-1 layer III frames; nothing when anything else is found.
inline std::optional<std::vector<Mp3Frame>> ParseMp3Frames(const std::vector<std::uint8_t>& bytes) {
    std::vector<Mp3Frame> frames;
    std::size_t at = 0;
    while (at < bytes.size()) {
        // Only MPEG-1 layer III frames: sync, version and layer bits 1111 1111 1111 101x.
        if (bytes.size() - at < 4 || bytes[at] != 0xFF || (bytes[at + 1] & 0xFE) != 0xFA) {
            return std::nullopt;
        }
        const std::uint8_t b2 = bytes[at + 2];
        const std::uint8_t b3 = bytes[at + 3];
        const Mp3Frame frame{.crc = (bytes[at + 1] & 1) == 0,
                             .bitrateKbps = kBitrates[b2 >> 4],
                             .sampleRate = kRates[(b2 >> 2) & 3],
                             .privateBit = (b2 & 1) != 0,
                             .mode = b3 >> 6,
                             .copyright = ((b3 >> 3) & 1) != 0,
                             .original = ((b3 >> 2) & 1) != 0};
        if (frame.bitrateKbps <= 0 || frame.sampleRate < 0) {
            return std::nullopt;
        }
        const std::size_t length =
            static_cast<std::size_t>(144000 * frame.bitrateKbps / frame.sampleRate) +
            ((b2 >> 1) & 1U);
        if (at + length > bytes.size()) {
            return std::nullopt;
        }
        frames.push_back(frame);
        at += length;
    }
    return frames;
}

inline std::vector<std::uint8_t> ReadAllBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 16-bit PCM as an independent decoder gave it back.
struct DecodedSound {
    int sampleRate = 0, channels = 0;
    std::vector<std::int16_t> samples; // interleaved

    std::size_t Frames() const {
        return channels == 0 ? 0 : samples.size() / static_cast<std::size_t>(channels);
    }
};

// Decodes an MP3 file (a path without quotes) with Debian's mpg123; nothing when it fails.
inline std::optional<DecodedSound> DecodeWithMpg123(const std::string& mp3Path) {
    // NOLINTNEXTLINE(cert-env33-c): Debian's own decoder, run as its users run it
    FILE* pipe = ::popen(("mpg123 -q -w - '" + mp3Path + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    // mpg123 writes 16-bit samples after the canonical 44-byte header.
    if (::pclose(pipe) != 0 || bytes.size() < 44 || ReadU16(bytes.data() + 34) != 16) {
        return std::nullopt;
    }
    DecodedSound sound{.sampleRate = static_cast<int>(ReadU32(bytes.data() + 24)),
                       .channels = ReadU16(bytes.data() + 22)};
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) {
        sound.samples.push_back(static_cast<std::int16_t>(ReadU16(bytes.data() + at)));
    }
    return sound;
}

// The amplitude (1.0 = full scale) of the tone of `frequency` in a channel, in the middle half.
inline double ToneLevel(const DecodedSound& sound, int channel, double frequency) {
    const std::size_t frames = sound.Frames(), begin = frames / 4, count = frames / 2;
    if (count == 0 || channel >= sound.channels) {
        return 0.0;
    }
    std::complex<double> sum;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        // A Hann window keeps a neighbouring tone from leaking into this one.
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                   static_cast<double>(count - 1));
        const std::size_t frame = begin + i;
        const double value = sound.samples[frame * static_cast<std::size_t>(sound.channels) +
                                           static_cast<std::size_t>(channel)] /
                             32768.0;
        sum += window * value *
               std::polar(1.0, -2.0 * std::numbers::pi * frequency * static_cast<double>(frame) /
                                   sound.sampleRate);
        windowSum += window;
    }
    return 2.0 * std::abs(sum) / windowSum;
}

} // namespace tarn::testing
