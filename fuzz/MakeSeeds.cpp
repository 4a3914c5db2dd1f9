// Writes one WAV file of each kind the tests use into the folder given as the argument.
#include "support/WavWriter.h"

#include <iostream>
#include <string>

using tarn::testing::WavSpec;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarn_fuzz_seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        WavSpec spec;
    } seeds[] = {
        {"cd.wav", {.frames = 64}},
        {"dat-8bit-mono.wav",
         {.sampleRate = 48000, .bitsPerSample = 8, .channels = 1, .frames = 64}},
        {"six-channels.wav", {.channels = 6, .frames = 16}},
        {"list-chunks.wav", {.frames = 32, .listBeforeFmt = true, .listBeforeData = true}},
        {"odd-data.wav",
         {.bitsPerSample = 8,
          .channels = 1,
          .frames = 33,
          .trailer = {'J', 'U', 'N', 'K', 2, 0, 0, 0, 1, 2}}},
        {"claims-more.wav", {.frames = 8, .claimedDataSize = 1 << 20}},
        {"header-only.wav", {.frames = 0}},
        {"rate-22050.wav", {.sampleRate = 22050, .frames = 16}},
    };
    for (const auto& seed : seeds) {
        tarn::testing::WriteWav(folder + "/" + seed.name, seed.spec);
    }
    return 0;
}
