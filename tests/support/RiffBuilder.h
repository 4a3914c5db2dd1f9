#pragma once

#include <cstdint>
#include <vector>

namespace tarn::testing {

using Bytes = std::vector<std::uint8_t>;

// Appends `value` as `width` little-endian bytes.
void Put(Bytes& out, std::uint64_t value, int width);
// Appends the four characters of a chunk tag.
void PutTag(Bytes& out, const char* tag);

struct Chunk {
    const char* id;
    Bytes body;
    std::int64_t claimedSize = -1; // the size in the header, when it is not the body's
};

// A RIFF file of these chunks, each padded to an even length as the format requires.
Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE");

// The body of a "fmt " chunk.
Bytes Fmt(int channels, int rate, int bits, int formatTag = 1);

// The INFO list ffmpeg writes: the body of a "LIST" chunk.
Bytes FfmpegList();

} // namespace tarn::testing
