// Feeds arbitrary bytes to everything that reads a WAV file's contents.
#include "filelist/WavProbe.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tarn::ProbeResult probe = tarn::ProbeWavHeaderBytes(data, size);
    (void)probe;
    return 0;
}
