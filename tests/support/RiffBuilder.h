#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::testing {

using Bytes = std::vector<std::uint8_t>;

// Appends `value` as `width` little-endian bytes.
inline void Put(Bytes& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Appends the characters of a chunk tag, or of any text.
inline void PutTag(Bytes& out, std::string_view tag) {
    // Byte by byte: GCC 12 warns wrongly about a range insert of four chars at -O2.
    for (char c : tag) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
}

struct Chunk {
    const char* id;
    Bytes body;
    std::int64_t claimedSize = -1; // the size in the header, when it is not the body's
};

// A RIFF file of these chunks, each padded to an even length as the format requires.
inline Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
    Bytes body;
    PutTag(body, form);
    for (const Chunk& chunk : chunks) {
        PutTag(body, chunk.id);
        Put(body,
            chunk.claimedSize >= 0 ? static_cast<std::uint64_t>(chunk.claimedSize)
                                   : chunk.body.size(),
            4);
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2 == 1) {
            body.push_back(0);
        }
    }
    Bytes file;
    PutTag(file, "RIFF");
    Put(file, body.size(), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The body of a "fmt " chunk.
inline Bytes Fmt(int channels, int rate, int bits, int formatTag = 1) {
    Bytes fmt;
    const int block = channels * bits / 8;
    for (const auto& [value, width] : std::initializer_list<std::pair<int, int>>{
             {formatTag, 2}, {channels, 2}, {rate, 4}, {rate * block, 4}, {block, 2}, {bits, 2}}) {
        Put(fmt, static_cast<std::uint64_t>(value), width);
    }
    return fmt;
}

// The INFO list ffmpeg writes: the body of a "LIST" chunk.
inline Bytes FfmpegList() {
    Bytes list;
    PutTag(list, "INFOISFT");
    Put(list, 14, 4);
    PutTag(list, std::string_view("Lavf59.27.100", 14)); // with its terminating zero
    return list;
}

} // namespace tarn::testing
