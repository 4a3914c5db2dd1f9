#include "support/Mp3Inspect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn::testing {

namespace {

constexpr int kMpeg1Bitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, -1};
constexpr int kMpeg2Bitrates[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                    64, 80, 96, 112, 128, 144, 160, -1};
constexpr int kMpeg1Rates[4] = {44100, 48000, 32000, -1};

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

} // namespace

std::optional<std::vector<Mp3Frame>> ParseMp3Frames(const std::vector<std::uint8_t>& bytes) {
    std::vector<Mp3Frame> frames;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4 || bytes[at] != 0xFF || (bytes[at + 1] & 0xE0) != 0xE0) {
            return std::nullopt;
        }
        const std::uint8_t b1 = bytes[at + 1];
        const std::uint8_t b2 = bytes[at + 2];
        const std::uint8_t b3 = bytes[at + 3];
        Mp3Frame frame;
        const int versionBits = (b1 >> 3) & 3;
        if (versionBits == 1) {
            return std::nullopt;
        }
        frame.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
        const int layerBits = (b1 >> 1) & 3;
        if (layerBits == 0) {
            return std::nullopt;
        }
        frame.layer = 4 - layerBits;
        frame.crc = (b1 & 1) == 0;
        const int bitrateIndex = b2 >> 4;
        const int rateIndex = (b2 >> 2) & 3;
        frame.bitrateKbps =
            frame.version == 1 ? kMpeg1Bitrates[bitrateIndex] : kMpeg2Bitrates[bitrateIndex];
        const int baseRate = kMpeg1Rates[rateIndex];
        if (frame.bitrateKbps <= 0 || baseRate < 0 || frame.layer != 3) {
            return std::nullopt;
        }
        frame.sampleRate = frame.version == 1   ? baseRate
                           : frame.version == 2 ? baseRate / 2
                                                : baseRate / 4;
        frame.padding = ((b2 >> 1) & 1) != 0;
        frame.privateBit = (b2 & 1) != 0;
        frame.mode = b3 >> 6;
        frame.copyright = ((b3 >> 3) & 1) != 0;
        frame.original = ((b3 >> 2) & 1) != 0;
        frame.emphasis = b3 & 3;
        const int coefficient = frame.version == 1 ? 144000 : 72000;
        frame.length =
            static_cast<std::size_t>(coefficient * frame.bitrateKbps / frame.sampleRate) +
            (frame.padding ? 1U : 0U);
        if (at + frame.length > bytes.size()) {
            return std::nullopt;
        }
        frames.push_back(frame);
        at += frame.length;
    }
    return frames;
}

std::vector<std::uint8_t> ReadAllBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HaveProgram(const std::string& name) {
    return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1") == 0;
}

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::optional<DecodedSound> ReadPcm16Wav(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadAllBytes(path);
    if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF") {
        return std::nullopt;
    }
    // Walk the chunks: decoders may add chunks of their own.
    DecodedSound sound;
    std::size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
        std::size_t size = Le32(bytes, at + 4);
        const std::size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            sound.channels = bytes[body + 2] | (bytes[body + 3] << 8);
            sound.sampleRate = static_cast<int>(Le32(bytes, body + 4));
            const int bits = bytes[body + 14] | (bytes[body + 15] << 8);
            if (bits != 16) {
                return std::nullopt;
            }
            haveFormat = true;
        } else if (id == "data" && haveFormat) {
            // Streaming writers leave the size open; take what the file holds.
            size = std::min(size, bytes.size() - body);
            sound.samples.resize(size / 2);
            for (std::size_t i = 0; i < sound.samples.size(); ++i) {
                sound.samples[i] =
                    static_cast<std::int16_t>(bytes[body + 2 * i] | (bytes[body + 2 * i + 1] << 8));
            }
            return sound;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

std::optional<DecodedSound> DecodeWithMpg123(const std::string& mp3Path) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarn-decoded-XXXXXX.wav").string();
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    const int status = RunCommand("mpg123 -q -w " + ShellQuote(pattern) + " " +
                                  ShellQuote(mp3Path) + " 2>/dev/null");
    std::optional<DecodedSound> sound;
    if (status == 0) {
        sound = ReadPcm16Wav(pattern);
    }
    std::filesystem::remove(pattern);
    return sound;
}

double ToneLevel(const DecodedSound& sound, int channel, double frequency) {
    const std::size_t frames = sound.Frames();
    const std::size_t begin = frames / 4;
    const std::size_t count = frames / 2;
    if (count == 0 || channel >= sound.channels) {
        return 0.0;
    }
    double re = 0.0;
    double im = 0.0;
    double windowSum = 0.0;
    const double step = 2.0 * std::numbers::pi * frequency / sound.sampleRate;
    for (std::size_t i = 0; i < count; ++i) {
        // A Hann window keeps a neighbouring tone from leaking into this one.
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                   static_cast<double>(count - 1));
        const std::size_t frame = begin + i;
        const double value = sound.samples[frame * static_cast<std::size_t>(sound.channels) +
                                           static_cast<std::size_t>(channel)] /
                             32768.0;
        const double phase = step * static_cast<double>(frame);
        re += window * value * std::cos(phase);
        im -= window * value * std::sin(phase);
        windowSum += window;
    }
    return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

} // namespace tarn::testing
