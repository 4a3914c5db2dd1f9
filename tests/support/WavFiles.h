#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::testing {

// WAV files for the tests: RIFF files of any chunks, and canonical files of test tones.

using Bytes = std::vector<std::uint8_t>;

// Appends `value` as `width` little-endian bytes.
void Put(Bytes& out, std::uint64_t value, int width);

struct Chunk {
    const char* id;
    Bytes body;
    std::int64_t claimedSize = -1; // the size in the header, when it is not the body's
};

// A RIFF file of these chunks, each padded to an even length as the format requires.
Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE");

Bytes Fmt(int channels, int rate, int bits, int formatTag = 1);

// The body of a "LIST" chunk: its form type, then identifiers and texts in turn, each padded.
Bytes List(const std::vector<std::string>& items);
Bytes FfmpegList();

struct WavSpec {
    std::int32_t sampleRate = 44100;
    std::int16_t bitsPerSample = 16;
    std::int16_t channels = 2;
    // Frames of sound: one sample per channel each.
    std::int64_t frames = 4410;
    // A sine tone per channel at half scale; channel c plays frequency × (c + 1).
    double frequency = 440.0;
};

// The sample data of that sound, 8-bit unsigned or 16-bit signed.
std::vector<std::uint8_t> SoundData(const WavSpec& spec);
// The bytes of a canonical PCM WAV file of that sound: "fmt " then "data".
std::vector<std::uint8_t> MakeWav(const WavSpec& spec);
void WriteWav(const std::string& path, const WavSpec& spec);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace tarn::testing
