#include "filelist/WavProbe.h"

#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::MakeWav;
using testing::WavSpec;

struct ProbeCase {
    const char* name;
    std::int32_t rate;
    std::int16_t bits;
    std::int16_t channels;
    ProbeOutcome outcome;
};

class ProbeHeaderTest : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeHeaderTest, JudgesRateThenWidth) {
    const ProbeCase& c = GetParam();
    std::vector<std::uint8_t> bytes = MakeWav(
        WavSpec{.sampleRate = c.rate, .bitsPerSample = 16, .channels = c.channels, .frames = 10});
    // The width is written straight into the header so that 24-bit needs no sample writer.
    bytes[34] = static_cast<std::uint8_t>(c.bits);
    bytes[35] = static_cast<std::uint8_t>(c.bits >> 8);
    const ProbeResult result = ProbeWavHeaderBytes(bytes.data(), bytes.size());
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.sampleRate, c.rate);
    EXPECT_EQ(result.bitsPerSample, c.bits);
    EXPECT_EQ(result.channels, c.channels);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ProbeHeaderTest,
    ::testing::Values(ProbeCase{"cd", 44100, 16, 2, ProbeOutcome::Accepted},
                      ProbeCase{"dat_8bit_mono", 48000, 8, 1, ProbeOutcome::Accepted},
                      ProbeCase{"six_channels", 44100, 16, 6, ProbeOutcome::Accepted},
                      ProbeCase{"rate_22050", 22050, 16, 2, ProbeOutcome::BadSampleRate},
                      ProbeCase{"rate_22050_8bit", 22050, 8, 2, ProbeOutcome::BadSampleRate},
                      ProbeCase{"width_24", 44100, 24, 2, ProbeOutcome::BadBitsPerSample},
                      ProbeCase{"both_wrong", 32000, 24, 2, ProbeOutcome::BadSampleRate},
                      ProbeCase{"rate_96000", 96000, 16, 2, ProbeOutcome::BadSampleRate}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(ProbeHeaderTest, ReadsFixedOffsetsEvenWhenAChunkComesFirst) {
    std::vector<std::uint8_t> bytes =
        MakeWav(WavSpec{.sampleRate = 44100, .frames = 10, .listBeforeFmt = true});
    const ProbeResult result = ProbeWavHeaderBytes(bytes.data(), bytes.size());
    // Whatever lies at offsets 22, 24 and 34 decides: here the bytes of the LIST chunk.
    EXPECT_NE(result.sampleRate, 44100);
    EXPECT_EQ(result.outcome, ProbeOutcome::BadSampleRate);
}

TEST(ProbeHeaderTest, RefusesFilesShorterThanTheFields) {
    std::vector<std::uint8_t> bytes = MakeWav(WavSpec{.frames = 0});
    EXPECT_EQ(ProbeWavHeaderBytes(bytes.data(), 35).outcome, ProbeOutcome::TooShort);
    EXPECT_EQ(ProbeWavHeaderBytes(bytes.data(), 36).outcome, ProbeOutcome::Accepted);
}

TEST(ProbeFileTest, ReadsFromDiskAndRefusesWhatCannotBeRead) {
    testing::TempDir dir;
    testing::WriteWav(
        dir.File("a.wav"),
        WavSpec{.sampleRate = 48000, .bitsPerSample = 8, .channels = 1, .frames = 100});
    const ProbeResult accepted = ProbeWavHeader(dir.File("a.wav"));
    EXPECT_EQ(accepted.outcome, ProbeOutcome::Accepted);
    EXPECT_EQ(accepted.sampleRate, 48000);
    EXPECT_EQ(accepted.bitsPerSample, 8);
    EXPECT_EQ(accepted.channels, 1);

    EXPECT_EQ(ProbeWavHeader(dir.File("missing.wav")).outcome, ProbeOutcome::Unreadable);
    EXPECT_EQ(ProbeWavHeader(dir.Path().string()).outcome, ProbeOutcome::Unreadable);
    testing::WriteBytes(dir.File("short.wav"), {'R', 'I', 'F', 'F'});
    EXPECT_EQ(ProbeWavHeader(dir.File("short.wav")).outcome, ProbeOutcome::TooShort);
}

} // namespace
} // namespace tarn
