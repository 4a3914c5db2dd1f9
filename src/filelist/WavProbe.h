#pragma once

#include "common/Status.h"

#include <cstdint>
#include <string>

namespace tarn {

enum class ProbeOutcome {
    Accepted,
    BadSampleRate,    // neither 44100 nor 48000 Hz
    BadBitsPerSample, // neither 8 nor 16 bits
    TooShort,         // shorter than the 36 bytes the three fields need
    Unreadable,       // cannot be opened or read
};

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::Unreadable;
    std::int32_t sampleRate = 0;
    std::int16_t bitsPerSample = 0;
    std::int16_t channels = 0;
    // Why the file is Unreadable (the system's error); success for every other outcome.
    Status failure;
};

// Reads the channel count (offset 22), sample rate (24) and bits per sample (34) of a WAV file
// at the fixed offsets of the canonical header, and judges the rate and the width only. A file
// whose chunks cannot be walked as Go walks them counts as one that cannot be read.
ProbeResult ProbeWavHeader(const std::string& path);

// The same judgement on the first bytes of a file.
ProbeResult ProbeWavHeaderBytes(const unsigned char* bytes, std::size_t size);

} // namespace tarn
