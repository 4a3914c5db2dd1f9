#include "filelist/WavProbe.h"

#include "common/LittleEndian.h"
#include "encoding/WavSource.h"
#include "platform/FileOps.h"
#include "platform/SystemCalls.h"

#include <array>
#include <fcntl.h>
#include <sys/stat.h>

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
    const platform::sys::Descriptor file(
        platform::sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.Valid()) {
        return ProbeResult{.failure = Status::FromErrno()};
    }
    std::array<unsigned char, kHeaderBytesNeeded> header{};
    const auto read = platform::ReadAt(file.Get(), 0, header.data(), header.size());
    if (!read) {
        return ProbeResult{.failure = read.Outcome()};
    }
    ProbeResult result = ProbeWavHeaderBytes(header.data(), *read);
    // The walk Go makes over its chunks is made here too, so that a file whose chunks cannot be
    // walked (millions of them, or a read that fails) is refused before it is listed.
    if (result.outcome == ProbeOutcome::Accepted) {
        struct stat info {};
        platform::WindowedReader windowed(file.Get());
        const ReadAtFunction reader = [&windowed](std::int64_t offset, void* buffer,
                                                  std::size_t count) {
            return windowed(offset, buffer, count);
        };
        if (platform::sys::Fstat(file.Get(), &info) != 0) {
            result = ProbeResult{.failure = Status::FromErrno()};
        } else if (const Result<WavLayout> layout = LocateWavData(reader, info.st_size); !layout) {
            result = ProbeResult{.failure = layout.Outcome()};
        }
    }
    return result;
}

} // namespace tarn
