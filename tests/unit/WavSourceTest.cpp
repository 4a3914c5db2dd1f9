#include "encoding/WavSource.h"

#include "support/TableRows.h"
#include "support/WavFiles.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::Bytes;
using testing::Fmt;
using testing::Riff;

std::optional<WavLayout> Locate(const Bytes& file, int failingRead = 0) {
    int reads = 0;
    const auto read = [&](std::int64_t offset, void* buffer,
                          std::size_t count) -> Result<std::size_t> {
        const std::size_t n = std::min(count, file.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, file.data() + offset, n);
        return ++reads == failingRead ? Result<std::size_t>(Status::Failure(EIO)) : n;
    };
    const Result<WavLayout> layout = LocateWavData(read, static_cast<std::int64_t>(file.size()));
    return layout ? std::optional(*layout) : std::nullopt;
}

const WavFormat kCd{kWaveFormatPcm, 2, 44100, 16, 0};
const WavFormat kDatMono8{kWaveFormatPcm, 1, 48000, 8, 0};

struct LocateRow {
    const char* name;
    Bytes file;
    WavLayout layout;
};

std::vector<LocateRow> Files() {
    const Bytes cd = Fmt(2, 44100, 16), dat = Fmt(1, 48000, 8), info = testing::FfmpegList();
    // An extensible "fmt ": the speaker mask, then the sub-format's GUID.
    Bytes extensible = Fmt(6, 48000, 16, kWaveFormatExtensible);
    const char tail[] = "\x16\x00\x10\x00\x3F\x00\x00\x00\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00"
                        "\x00\xAA\x00\x38\x9B\x71";
    extensible.insert(extensible.end(), tail, tail + 24);
    Bytes spare = cd; // a plain "fmt " with spare bytes after its fields
    spare.resize(40);
    Bytes notRiff = Riff({{"fmt ", Fmt(1, 48000, 8, 3)}});
    std::memcpy(notRiff.data(), "RIFX", 4);
    // The walk reads 1024 chunks past the format and the data in search of tags, not more.
    std::vector<testing::Chunk> chunks{{"fmt ", cd}, {"data", {}}};
    chunks.resize(1026, {"JUNK", {}});
    chunks.push_back({"LIST", {}});

    return {
        // A data chunk that claims more than the file holds, as from a writer that never finished.
        {"data_past_the_end",
         Riff({{"JUNK", Bytes(5)}, {"fmt ", dat}, {"data", Bytes(7), 0xFFFFFFFF}}),
         {kDatMono8, 58, 8, true}},
        {"data_before_format", Riff({{"data", Bytes(400)}, {"fmt ", cd}}), {kCd, 20, 400, true}},
        {"extensible",
         Riff({{"fmt ", extensible}, {"data", Bytes(120)}}),
         {{kWaveFormatPcm, 6, 48000, 16, 0x3F}, 68, 120, true}},
        {"spare_format_bytes", Riff({{"fmt ", spare}, {"data", Bytes(4)}}), {kCd, 68, 4, true}},
        {"tags_before_data",
         Riff({{"fmt ", cd}, {"LIST", {}}, {"data", {}}}),
         {kCd, 52, 0, true, {{false, 44, 0}}}},
        {"tags_too_far", Riff(chunks), {kCd, 44, 0, true}},
        // Not well-formed: a canonical header (here 36 bytes), its tag unread; data from byte 44.
        {"not_riff", notRiff, {kDatMono8, 36, 0, false}},
        {"no_data_chunk", Riff({{"fmt ", dat}, {"LIST", info}}), {kDatMono8, 44, 26, false}},
    };
}

class LocateWavDataTest : public ::testing::TestWithParam<LocateRow> {};

TEST_P(LocateWavDataTest, FindsTheFormatAndTheData) {
    EXPECT_EQ(Locate(GetParam().file), GetParam().layout);
}

INSTANTIATE_TEST_SUITE_P(All, LocateWavDataTest, ::testing::ValuesIn(Files()), testing::RowName);

TEST(LocateWavDataFailureTest, AFailedReadGivesNothingAndTagsCostOnlyTheirReads) {
    // A read that fails gives nothing: here the second chunk's header.
    EXPECT_EQ(Locate(Riff({{"JUNK", {}}, {"fmt ", Fmt(2, 44100, 16)}, {"data", {}}}), 3),
              std::nullopt);
    // Past the format and the data it costs only the tags: here the LIST chunk's header.
    EXPECT_EQ(Locate(Riff({{"fmt ", Fmt(2, 44100, 16)}, {"data", {}}, {"LIST", {}}}), 5),
              (WavLayout{kCd, 44, 0, true}));
    // Format and data are looked for in the first 4,096 chunks only; a file past that is refused.
    std::vector<testing::Chunk> junk(4094, {"JUNK", {}});
    junk.insert(junk.end(), {{"fmt ", Fmt(2, 44100, 16)}, {"data", {}}});
    EXPECT_NE(Locate(Riff(junk)), std::nullopt);
    junk.insert(junk.begin(), {"JUNK", {}});
    EXPECT_EQ(Locate(Riff(junk)), std::nullopt);
}

TEST(SampleConverterTest, ConvertsWholeFramesAndRefusesOtherFormats) {
    for (const WavFormat& format : {WavFormat{3, 2, 44100, 32, 0}, WavFormat{1, 2, 44100, 24, 0},
                                    WavFormat{1, 0, 44100, 16, 0}, WavFormat{1, 2, 0, 16, 0}}) {
        EXPECT_FALSE(CheckFormatSupported(format).Ok()) << format.bitsPerSample;
    }
    const std::tuple<WavFormat, int, std::vector<int>, std::vector<std::int16_t>> cases[] = {
        // Two channels are averaged, whichever speakers the mask names (here the sides).
        {{kWaveFormatPcm, 2, 44100, 16, 0x600}, 1, {1, 3, 32767, 32767, -3, 0}, {2, 32767, -2}},
        {{kWaveFormatPcm, 1, 44100, 16, 0}, 2, {5, -7}, {5, 5, -7, -7}},
        {{kWaveFormatPcm, 2, 48000, 8, 0}, 2, {0, 255, 128, 1}, {-32768, 32512, 0, -32512}},
        // 5.1: each side takes its front fully, centre and back at -3 dB, scaled not to clip.
        {{kWaveFormatPcm, 6, 44100, 16, 0},
         2,
         {10000, 0, 0, 30000, 0, 0, 0, 0, 10000, 30000, 0, 0, 0, 0, 0, 30000, 10000, 0},
         {4142, 0, 2929, 2929, 2929, 0}},
        // An extensible file's mask says which speaker each channel feeds: here the back left.
        {{kWaveFormatPcm, 4, 44100, 16, 0x33}, 2, {0, 0, 10000, 0}, {4142, 0}},
    };
    for (const auto& [format, outChannels, values, expected] : cases) {
        Bytes in;
        for (const int value : values) {
            testing::Put(in, static_cast<std::uint16_t>(value), format.bitsPerSample / 8);
        }
        EXPECT_EQ(CheckFormatSupported(format).Reason(), "");
        const SampleConverter converter(format, outChannels);
        std::vector<std::int16_t> out(expected.size() + 1, 12345);
        converter.Convert(in.data(), in.size() / converter.InBytesPerFrame(), out.data());
        EXPECT_EQ(out.back(), 12345) << "wrote past the frames";
        out.pop_back();
        EXPECT_EQ(out, expected) << format.channels << " to " << outChannels;
    }
    // The 18 named speakers mix to their mirror images: left and right swap, centres stay.
    const SampleConverter all({kWaveFormatPcm, 18, 44100, 16, 0x3FFFF}, 2);
    const int mirror[] = {1, 0, 2, 3, 5, 4, 7, 6, 8, 10, 9, 11, 14, 13, 12, 17, 16, 15};
    for (std::size_t c = 0; c < std::size(mirror); ++c) {
        EXPECT_FLOAT_EQ(all.Weights()[0][c], all.Weights()[1][std::size_t(mirror[c])]) << c;
    }
}

} // namespace
} // namespace tarn
