#include "filelist/WavProbe.h"

#include "common/LittleEndian.h"
#include "platform/FileOps.h"

#include <array>

namespace tarn {

namespace {

constexpr std::size_t kHeaderBytesNeeded = 36;

} // namespace

ProbeResult ProbeWavHeaderBytes(const unsigned char* bytes, std::size_t size) {
    ProbeResult result;
    if (size < kHeaderBytesNeeded) {
        result.outcome = ProbeOutcome::TooShort;
        return result;
    }
    result.sampleRate = static_cast<std::int32_t>(ReadU32(bytes + 24));
    result.bitsPerSample = static_cast<std::int16_t>(ReadU16(bytes + 34));
    result.channels = static_cast<std::int16_t>(ReadU16(bytes + 22));
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
        return ProbeResult{.failure = read.Outcome()};
    }
    return ProbeWavHeaderBytes(header.data(), *read);
}

} // namespace tarn
