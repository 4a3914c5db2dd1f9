#include "encoding/WavSource.h"

#include "support/RiffBuilder.h"
#include "support/TableRows.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;

using testing::Bytes;
using testing::Chunk;
using testing::FfmpegList;
using testing::Fmt;
using testing::Put;
using testing::PutTag;
using testing::Riff;

Bytes FmtExtensible(int channels, int rate, int bits, std::uint32_t mask, int subFormat) {
    Bytes fmt = Fmt(channels, rate, bits, kWaveFormatExtensible);
    Put(fmt, 22, 2);
    Put(fmt, static_cast<std::uint64_t>(bits), 2);
    Put(fmt, mask, 4);
    Put(fmt, static_cast<std::uint64_t>(subFormat), 2);
    const char guidTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
    fmt.insert(fmt.end(), guidTail, guidTail + 14);
    return fmt;
}

Bytes Filler(std::size_t size, std::uint8_t value = 0x11) {
    return Bytes(size, value);
}

ReadAtFunction ReaderOf(const Bytes& bytes) {
    return [&bytes](std::int64_t offset, void* buffer,
                    std::size_t count) -> std::optional<std::size_t> {
        if (offset < 0 || static_cast<std::size_t>(offset) > bytes.size()) {
            return std::size_t{0};
        }
        const std::size_t available = bytes.size() - static_cast<std::size_t>(offset);
        const std::size_t n = std::min(count, available);
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    };
}

std::optional<WavLayout> Locate(const Bytes& bytes) {
    return LocateWavData(ReaderOf(bytes), static_cast<std::int64_t>(bytes.size()));
}

struct LayoutCase {
    const char* name;
    Bytes file;
    WavLayout expected;
};

class LocateWavDataTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LocateWavDataTest, FindsTheFormatAndTheData) {
    const std::optional<WavLayout> layout = Locate(GetParam().file);
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->format, GetParam().expected.format);
    EXPECT_EQ(layout->dataOffset, GetParam().expected.dataOffset);
    EXPECT_EQ(layout->dataLength, GetParam().expected.dataLength);
    EXPECT_EQ(layout->chunked, GetParam().expected.chunked);
}

const WavFormat kCd{kWaveFormatPcm, 2, 44100, 16, 0};
const WavFormat kDatMono8{kWaveFormatPcm, 1, 48000, 8, 0};

Bytes NotRiff() {
    Bytes file = Riff({{"fmt ", Fmt(1, 48000, 8)}, {"data", Filler(100)}});
    std::memcpy(file.data(), "RIFX", 4);
    return file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LocateWavDataTest,
    ::testing::Values(
        LayoutCase{"odd_junk_before_fmt",
                   Riff({{"JUNK", Filler(5)}, {"fmt ", Fmt(1, 48000, 8)}, {"data", Filler(7)}}),
                   {kDatMono8, 58, 7, true}},
        LayoutCase{"fmt_after_data",
                   Riff({{"data", Filler(400)}, {"fmt ", Fmt(2, 44100, 16)}}),
                   {kCd, 20, 400, true}},
        LayoutCase{"data_size_left_open",
                   Riff({{"fmt ", Fmt(2, 44100, 16)}, {"data", Filler(400), 0xFFFFFFFF}}),
                   {kCd, 44, 400, true}},
        LayoutCase{"extensible_pcm",
                   Riff({{"fmt ", FmtExtensible(6, 48000, 16, 0x3F, kWaveFormatPcm)},
                         {"data", Filler(120)}}),
                   {{kWaveFormatPcm, 6, 48000, 16, 0x3F}, 68, 120, true}},
        LayoutCase{"extensible_float",
                   Riff({{"fmt ", FmtExtensible(2, 48000, 32, 0x3, 3)}, {"data", Filler(16)}}),
                   {{3, 2, 48000, 32, 0x3}, 68, 16, true}},
        // Not well-formed: the canonical header is assumed, data from byte 44 to the end.
        LayoutCase{"not_riff", NotRiff(), {kDatMono8, 44, 100, false}},
        LayoutCase{"no_data_chunk",
                   Riff({{"fmt ", Fmt(1, 48000, 8)}, {"LIST", FfmpegList()}}),
                   {kDatMono8, 44, 26, false}},
        LayoutCase{"too_short_for_a_format", Bytes{'R', 'I', 'F', 'F'}, {{}, 4, 0, false}}),
    RowName);

TEST(LocateWavDataFailureTest, AFileThatCannotBeReadGivesNothing) {
    const Bytes file = Riff({{"JUNK", Filler(64)}, {"fmt ", Fmt(2, 44100, 16)}, {"data", {}}});
    int calls = 0;
    const ReadAtFunction failsLater = [&](std::int64_t offset, void* buffer,
                                          std::size_t count) -> std::optional<std::size_t> {
        if (++calls > 2) {
            return std::nullopt;
        }
        return ReaderOf(file)(offset, buffer, count);
    };
    EXPECT_FALSE(LocateWavData(failsLater, static_cast<std::int64_t>(file.size())).has_value());
}

TEST(UnsupportedFormatTest, RefusesFloatAndFormatsWithoutChannelsOrRate) {
    for (const WavFormat& format :
         {WavFormat{3, 2, 44100, 32, 0}, WavFormat{2, 2, 44100, 4, 0},
          WavFormat{kWaveFormatPcm, 0, 44100, 16, 0}, WavFormat{kWaveFormatPcm, 2, 0, 16, 0}}) {
        EXPECT_NE(UnsupportedFormatReason(format), "")
            << format.channels << " " << format.sampleRate;
    }
}

// Source frames in, 16-bit frames out.
struct ConvertCase {
    const char* name;
    WavFormat format;
    int outChannels;
    Bytes in;
    std::vector<std::int16_t> out;
};

Bytes Le16(std::initializer_list<int> values) {
    Bytes bytes;
    for (int value : values) {
        Put(bytes, static_cast<std::uint16_t>(value), 2);
    }
    return bytes;
}

class SampleConverterTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(SampleConverterTest, ConvertsWholeFrames) {
    const ConvertCase& c = GetParam();
    const SampleConverter converter(c.format, c.outChannels);
    ASSERT_EQ(c.in.size() % converter.InBytesPerFrame(), 0U);
    const std::size_t frames = c.in.size() / converter.InBytesPerFrame();
    std::vector<std::int16_t> out(frames * static_cast<std::size_t>(c.outChannels) + 1, 12345);
    converter.Convert(c.in.data(), frames, out.data());
    EXPECT_EQ(out.back(), 12345) << "wrote past the frames";
    out.pop_back();
    EXPECT_EQ(out, c.out);
}

const WavFormat kSix16{kWaveFormatPcm, 6, 44100, 16, 0};

INSTANTIATE_TEST_SUITE_P(
    Mappings, SampleConverterTest,
    ::testing::Values(
        ConvertCase{"stereo_averaged",
                    kCd,
                    1,
                    Le16({100, 300, 32767, 32767, -32768, -32768, 3, 0, -3, 0}),
                    {200, 32767, -32768, 2, -2}},
        ConvertCase{
            "eight_bit_widened", kDatMono8, 1, Bytes{0, 128, 255, 1}, {-32768, 0, 32512, -32512}},
        // Front left, front right, centre, low frequency, back left, back right: each side
        // takes its front fully and centre and back at -3 dB, scaled to stay within range.
        ConvertCase{"six_to_stereo",
                    kSix16,
                    2,
                    Le16({10000, 0, 0, 30000, 0,     0, 0,     0,     10000, 30000, 0,     0,
                          0,     0, 0, 30000, 10000, 0, 32767, 32767, 32767, 32767, 32767, 32767}),
                    {4142, 0, 2929, 2929, 2929, 0, 32767, 32767}},
        // An extensible file's mask says which speaker each channel feeds.
        ConvertCase{"quad_by_mask",
                    {kWaveFormatPcm, 4, 44100, 16, 0x33},
                    2,
                    Le16({0, 0, 10000, 0}),
                    {4142, 0}}),
    RowName);

} // namespace
} // namespace tarn
