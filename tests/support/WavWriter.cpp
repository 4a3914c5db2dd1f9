#include "support/WavWriter.h"

#include "support/RiffBuilder.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace tarn::testing {

namespace {

void PutListChunk(Bytes& out) {
    const Bytes info = FfmpegList();
    PutTag(out, "LIST");
    Put(out, info.size(), 4);
    out.insert(out.end(), info.begin(), info.end());
}

} // namespace

std::vector<std::uint8_t> MakeWav(const WavSpec& spec) {
    const int bytesPerSample = spec.bitsPerSample / 8;
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(spec.frames * spec.channels * bytesPerSample));
    for (std::int64_t frame = 0; frame < spec.frames; ++frame) {
        for (int channel = 0; channel < spec.channels; ++channel) {
            const double t = static_cast<double>(frame) / spec.sampleRate;
            const double value = spec.amplitude * std::sin(2.0 * std::numbers::pi * spec.frequency *
                                                           (channel + 1) * t);
            if (bytesPerSample == 1) {
                data.push_back(static_cast<std::uint8_t>(std::lround(128.0 + value * 127.0)));
            } else {
                const auto sample = static_cast<std::int16_t>(std::lround(value * 32767.0));
                Put(data, static_cast<std::uint16_t>(sample), 2);
            }
        }
    }
    if (spec.oddDataByte) {
        data.push_back(0x80);
    }

    const Bytes fmt = Fmt(spec.channels, spec.sampleRate, spec.bitsPerSample);

    std::vector<std::uint8_t> body;
    PutTag(body, "WAVE");
    if (spec.listBeforeFmt) {
        PutListChunk(body);
    }
    PutTag(body, "fmt ");
    Put(body, fmt.size(), 4);
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (spec.listBeforeData) {
        PutListChunk(body);
    }
    PutTag(body, "data");
    Put(body,
        spec.claimedDataSize >= 0 ? static_cast<std::uint64_t>(spec.claimedDataSize) : data.size(),
        4);
    body.insert(body.end(), data.begin(), data.end());
    if (data.size() % 2 == 1 && !spec.trailer.empty()) {
        body.push_back(0); // chunks are padded to an even length
    }
    body.insert(body.end(), spec.trailer.begin(), spec.trailer.end());

    std::vector<std::uint8_t> file;
    PutTag(file, "RIFF");
    Put(file, body.size(), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
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
