// Writes one WAV file of each kind the tests use into the folder given as the argument.
#include "support/WavFiles.h"

#include <iostream>
#include <string>
#include <string_view>

namespace {

using namespace tarn::testing;
using namespace std::string_view_literals;

Bytes Sound(int bits, int channels, int frames) {
    return SoundData({.bitsPerSample = static_cast<std::int16_t>(bits),
                      .channels = static_cast<std::int16_t>(channels),
                      .frames = frames});
}

Bytes Text(std::string_view bytes) {
    return {bytes.begin(), bytes.end()};
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
        // An INFO list of Windows-1252 and UTF-8 texts, and an ID3v2.3 tag of a title and a
        // picture.
        {"tagged.wav", Riff({{"fmt ", Fmt(2, 44100, 16)},
                             {"data", Sound(16, 2, 8)},
                             {"LIST", Text("INFOINAM\4\0\0\0Caf\xE9IART\3\0\0\0\xE2\x9C\x93\0"sv)},
                             {"id3 ", Text("ID3\3\0\0\0\0\0\x24TIT2\0\0\0\1\0\0\0"
                                           "APIC\0\0\0\x0F\0\0\0image/png\0\3\0xy"sv)}})},
        {"rate-22050.wav", MakeWav({.sampleRate = 22050, .frames = 16})},
    };
    for (const auto& seed : seeds) {
        WriteBytes(folder + "/" + seed.name, seed.bytes);
    }
    return 0;
}
