#include "filelist/WavProbe.h"

#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

// Only the fields at offsets 22, 24 and 34 count, whatever chunk holds them; 36 bytes will do.
TEST(WavProbeTest, ReadsTheFieldsAtFixedOffsets) {
    testing::TempDir dir;
    std::vector<std::uint8_t> bytes =
        testing::MakeWav({.sampleRate = 48000, .bitsPerSample = 8, .channels = 1, .frames = 0});
    bytes.resize(36);
    testing::WriteBytes(dir.File("36.wav"), bytes);
    const ProbeResult result = ProbeWavHeader(dir.File("36.wav"));
    EXPECT_EQ(std::tuple(result.sampleRate, result.bitsPerSample, result.channels, result.outcome),
              std::tuple(48000, std::int16_t{8}, std::int16_t{1}, ProbeOutcome::Accepted));
    EXPECT_EQ(ProbeWavHeaderBytes(bytes.data(), 35).outcome, ProbeOutcome::TooShort);
    const auto listFirst = testing::Riff(
        {{"LIST", testing::FfmpegList()}, {"fmt ", testing::Fmt(2, 44100, 16)}, {"data", {}}});
    EXPECT_EQ(ProbeWavHeaderBytes(listFirst.data(), listFirst.size()).outcome,
              ProbeOutcome::BadSampleRate);
}

} // namespace
} // namespace tarn
