#include "filelist/WavProbe.h"

#include "platform/FileOps.h"

#include <array>

namespace tarn {

namespace {

constexpr std::size_t kHeaderBytesNeeded = 36;

std::uint32_t LittleEndian(const unsigned char* bytes, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8U) | bytes[i];
    }
    return value;
}

} // namespace

ProbeResult ProbeWavHeaderBytes(const unsigned char* bytes, std::size_t size) {
    ProbeResult result;
    if (size < kHeaderBytesNeeded) {
        result.outcome = ProbeOutcome::TooShort;
        return result;
    }
    result.sampleRate = static_cast<std::int32_t>(LittleEndian(bytes + 24, 4));
    result.bitsPerSample = static_cast<std::int16_t>(LittleEndian(bytes + 34, 2));
    result.channels = static_cast<std::int16_t>(LittleEndian(bytes + 22, 2));
    if (result.sampleRate != 48000 && result.sampleRate != 44100) {
        result.outcome = ProbeOutcome::BadSampleRate;
    } else if (result.bitsPerSample != 16 && result.bitsPerSample != 8) {
        result.outcome = ProbeOutcome::BadBitsPerSample;
    } else {
        result.outcome = ProbeOutcome::Accepted;
    }
    return result;
}

ProbeResult ProbeWavHeader(const std::string& path) {
    std::array<unsigned char, kHeaderBytesNeeded> header{};
    const auto read = platform::ReadAt(path, 0, header.data(), header.size());
    if (!read) {
        return ProbeResult{};
    }
    return ProbeWavHeaderBytes(header.data(), *read);
}

} // namespace tarn
