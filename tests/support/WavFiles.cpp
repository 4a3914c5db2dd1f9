#include "support/WavFiles.h"

#include <cmath>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

namespace tarn::testing {

void Put(Bytes& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

static void PutTag(Bytes& out, const char* tag) {
    // Byte by byte: GCC 12 warns wrongly about a range insert of four chars at -O2.
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

Bytes Riff(const std::vector<Chunk>& chunks, const char* form) {
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

Bytes Fmt(int channels, int rate, int bits, int formatTag) {
    Bytes fmt;
    const std::uint64_t block = static_cast<std::uint64_t>(channels) * bits / 8;
    for (const auto& [value, width] : std::initializer_list<std::pair<std::uint64_t, int>>{
             {formatTag, 2}, {channels, 2}, {rate, 4}, {rate * block, 4}, {block, 2}, {bits, 2}}) {
        Put(fmt, value, width); // the byte rate of a very wide header keeps its low 32 bits
    }
    return fmt;
}

Bytes List(const std::vector<std::string>& items) {
    std::vector<Chunk> fields;
    for (std::size_t i = 1; i + 1 < items.size(); i += 2) {
        fields.push_back({items[i].c_str(), Bytes(items[i + 1].begin(), items[i + 1].end())});
    }
    const Bytes riff = Riff(fields, items[0].c_str());
    return {riff.begin() + 8, riff.end()};
}

Bytes FfmpegList() {
    return List({"INFO", "ISFT", std::string("Lavf59.27.100\0", 14)}); // with its terminating zero
}

std::vector<std::uint8_t> SoundData(const WavSpec& spec) {
    Bytes data;
    for (std::int64_t frame = 0; frame < spec.frames; ++frame) {
        for (int channel = 0; channel < spec.channels; ++channel) {
            const double t = static_cast<double>(frame) / spec.sampleRate;
            const double value =
                0.5 * std::sin(2.0 * std::numbers::pi * spec.frequency * (channel + 1) * t);
            if (spec.bitsPerSample == 8) {
                data.push_back(static_cast<std::uint8_t>(std::lround(128.0 + value * 127.0)));
            } else {
                Put(data, static_cast<std::uint16_t>(std::lround(value * 32767.0)), 2);
            }
        }
    }
    return data;
}

std::vector<std::uint8_t> MakeWav(const WavSpec& spec) {
    return Riff({{"fmt ", Fmt(spec.channels, spec.sampleRate, spec.bitsPerSample)},
                 {"data", SoundData(spec)}});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void WriteWav(const std::string& path, const WavSpec& spec) {
    WriteBytes(path, MakeWav(spec));
}

} // namespace tarn::testing
