// Writes one WAV file of each kind the tests use into the folder given as the argument.
#include "support/WavFiles.h"

#include <iostream>
#include <string>

namespace {

using namespace tarn::testing;

Bytes Sound(int bits, int channels, int frames) {
    return SoundData({.bitsPerSample = static_cast<std::int16_t>(bits),
                      .channels = static_cast<std::int16_t>(channels),
                      .frames = frames});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarn_fuzz_seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        Bytes bytes;
    } seeds[] = {
        {"cd.wav", MakeWav({.frames = 64})},
        {"dat-8bit-mono.wav",
         MakeWav({.sampleRate = 48000, .bitsPerSample = 8, .channels = 1, .frames = 64})},
        {"six-channels.wav", MakeWav({.channels = 6, .frames = 16})},
        {"list-chunks.wav", Riff({{"LIST", FfmpegList()},
                                  {"fmt ", Fmt(2, 44100, 16)},
                                  {"LIST", FfmpegList()},
                                  {"data", Sound(16, 2, 32)}})},
        {"odd-data.wav",
         Riff({{"fmt ", Fmt(1, 44100, 8)}, {"data", Sound(8, 1, 33)}, {"JUNK", {1, 2}}})},
        {"claims-more.wav",
         Riff({{"fmt ", Fmt(2, 44100, 16)}, {"data", Sound(16, 2, 8), 1 << 20}})},
        {"header-only.wav", MakeWav({.frames = 0})},
        {"rate-22050.wav", MakeWav({.sampleRate = 22050, .frames = 16})},
    };
    for (const auto& seed : seeds) {
        WriteBytes(folder + "/" + seed.name, seed.bytes);
    }
    return 0;
}
