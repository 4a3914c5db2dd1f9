#include "encoding/WavSource.h"

#include "support/RiffBuilder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarn {
namespace {

using testing::Bytes;
using testing::Fmt;
using testing::Riff;

std::optional<WavLayout> Locate(const Bytes& file, int failingRead = 0) {
    int reads = 0;
    const auto read = [&](std::int64_t offset, void* buffer,
                          std::size_t count) -> std::optional<std::size_t> {
        const std::size_t n = std::min(count, file.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, file.data() + offset, n);
        return ++reads == failingRead ? std::nullopt : std::optional(n);
    };
    return LocateWavData(read, static_cast<std::int64_t>(file.size()));
}

const WavFormat kCd{kWaveFormatPcm, 2, 44100, 16, 0};
const WavFormat kDatMono8{kWaveFormatPcm, 1, 48000, 8, 0};

TEST(LocateWavDataTest, FindsTheFormatAndTheData) {
    // An extensible "fmt ": the speaker mask, then the sub-format's GUID.
    Bytes extensible = Fmt(6, 48000, 16, kWaveFormatExtensible);
    const char tail[] = "\x16\x00\x10\x00\x3F\x00\x00\x00\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00"
                        "\x00\xAA\x00\x38\x9B\x71";
    extensible.insert(extensible.end(), tail, tail + 24);
    Bytes spare = Fmt(2, 44100, 16); // a plain "fmt " with spare bytes after its fields
    spare.resize(40);
    Bytes notRiff = Riff({{"fmt ", Fmt(1, 48000, 8)}}); // 36 bytes: just a canonical header
    std::memcpy(notRiff.data(), "RIFX", 4);
    const Bytes list = testing::FfmpegList();

    const std::pair<Bytes, WavLayout> cases[] = {
        {Riff({{"JUNK", Bytes(5)}, {"fmt ", Fmt(1, 48000, 8)}, {"data", Bytes(7)}}),
         {kDatMono8, 58, 7, true}},
        {Riff({{"data", Bytes(400)}, {"fmt ", Fmt(2, 44100, 16)}}), {kCd, 20, 400, true}},
        // A data chunk that claims more than the file holds, as a writer that never finished.
        {Riff({{"fmt ", Fmt(2, 44100, 16)}, {"data", Bytes(400), 0xFFFFFFFF}}),
         {kCd, 44, 400, true}},
        {Riff({{"fmt ", extensible}, {"data", Bytes(120)}}),
         {{kWaveFormatPcm, 6, 48000, 16, 0x3F}, 68, 120, true}},
        {Riff({{"fmt ", spare}, {"data", Bytes(4)}}), {kCd, 68, 4, true}},
        // A file without samples: its empty data chunk ends the file.
        {Riff({{"fmt ", Fmt(2, 44100, 16)}, {"LIST", list}, {"data", {}}}), {kCd, 78, 0, true}},
        // Not well-formed: the canonical header is assumed, data from byte 44 to the end.
        {notRiff, {kDatMono8, 36, 0, false}},
        {Riff({{"fmt ", Fmt(1, 48000, 8)}, {"LIST", list}}), {kDatMono8, 44, 26, false}},
        {Bytes{'R', 'I', 'F', 'F'}, {{}, 4, 0, false}},
    };
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        EXPECT_EQ(Locate(cases[row].first), cases[row].second) << row;
    }
    // A read that fails gives nothing: here the second chunk's header.
    EXPECT_EQ(Locate(Riff({{"JUNK", {}}, {"fmt ", Fmt(2, 44100, 16)}, {"data", {}}}), 3),
              std::nullopt);
}

TEST(UnsupportedFormatTest, NamesTheFirstFault) {
    const std::pair<WavFormat, std::string> cases[] = {
        {kCd, ""},
        {kDatMono8, ""},
        {{3, 2, 44100, 32, 0}, "Its samples are not PCM."},
        {{kWaveFormatPcm, 2, 44100, 24, 0}, "Its samples are not 8 or 16 bits wide."},
        {{kWaveFormatPcm, 0, 44100, 16, 0}, "It declares no channels."},
        {{kWaveFormatPcm, 2, 0, 16, 0}, "It declares no sample rate."},
    };
    for (const auto& [format, reason] : cases) {
        EXPECT_EQ(UnsupportedFormatReason(format), reason);
    }
}

Bytes Le16(std::initializer_list<int> values) {
    Bytes bytes;
    for (int value : values) {
        testing::Put(bytes, static_cast<std::uint16_t>(value), 2);
    }
    return bytes;
}

TEST(SampleConverterTest, ConvertsWholeFrames) {
    struct Case {
        WavFormat format;
        int outChannels;
        Bytes in;
        std::vector<std::int16_t> out;
    };
    const WavFormat six{kWaveFormatPcm, 6, 44100, 16, 0};
    const Case cases[] = {
        // Two channels are averaged, whichever speakers the mask names (here the sides).
        {{kWaveFormatPcm, 2, 44100, 16, 0x600},
         1,
         Le16({100, 300, 32767, 32767, -32768, -32768, 3, 0, -3, 0}),
         {200, 32767, -32768, 2, -2}},
        {{kWaveFormatPcm, 1, 44100, 16, 0}, 2, Le16({5, -7}), {5, 5, -7, -7}},
        {{kWaveFormatPcm, 2, 48000, 8, 0}, 2, Bytes{0, 255, 128, 1}, {-32768, 32512, 0, -32512}},
        // Front left, front right, centre, low frequency, back left, back right: each side takes
        // its front fully and centre and back at -3 dB, scaled to stay within range.
        {six,
         2,
         Le16({10000, 0, 0, 30000, 0,     0, 0,     0,     10000, 30000, 0,     0,
               0,     0, 0, 30000, 10000, 0, 32767, 32767, 32767, 32767, 32767, 32767}),
         {4142, 0, 2929, 2929, 2929, 0, 32767, 32767}},
        {six, 1, Le16({10000, 0, 0, 30000, 0, 20000}), {5000}},
        // An extensible file's mask says which speaker each channel feeds: here the back left.
        {{kWaveFormatPcm, 4, 44100, 16, 0x33}, 2, Le16({0, 0, 10000, 0}), {4142, 0}},
    };
    for (const Case& c : cases) {
        const SampleConverter converter(c.format, c.outChannels);
        const std::size_t frames = c.in.size() / converter.InBytesPerFrame();
        std::vector<std::int16_t> out(c.out.size() + 1, 12345);
        converter.Convert(c.in.data(), frames, out.data());
        EXPECT_EQ(out.back(), 12345) << "wrote past the frames";
        out.pop_back();
        EXPECT_EQ(out, c.out) << &c - cases;
    }
}

// The format's 18 named speaker positions in mask order, each with its mirror image: left and
// right swap, centres and the low-frequency speaker stay.
TEST(SampleConverterTest, MixesMirroredSpeakersToMirroredSides) {
    const int mirror[] = {1, 0, 2, 3, 5, 4, 7, 6, 8, 10, 9, 11, 14, 13, 12, 17, 16, 15};
    const SampleConverter converter({kWaveFormatPcm, 18, 44100, 16, 0x3FFFF}, 2);
    const auto& weights = converter.Weights();
    for (std::size_t c = 0; c < std::size(mirror); ++c) {
        EXPECT_FLOAT_EQ(weights[0][c], weights[1][static_cast<std::size_t>(mirror[c])]) << c;
    }
}

} // namespace
} // namespace tarn
