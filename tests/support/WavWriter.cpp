#include "support/WavWriter.h"

#include "support/RiffBuilder.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace tarn::testing {

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
