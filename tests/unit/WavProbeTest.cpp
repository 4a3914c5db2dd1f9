#include "filelist/WavProbe.h"

#include "support/RiffBuilder.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::WavSpec;

// Only the fields at offsets 22, 24 and 34 count: the rate is judged first, then the width.
TEST(WavProbeTest, JudgesTheRateThenTheWidthAtFixedOffsets) {
    struct Row {
        std::int32_t rate;
        std::int16_t bits;
        std::int16_t channels;
        ProbeOutcome outcome;
    };
    for (const Row& row :
         {Row{44100, 16, 2, ProbeOutcome::Accepted}, Row{48000, 8, 1, ProbeOutcome::Accepted},
          Row{44100, 16, 6, ProbeOutcome::Accepted}, Row{22050, 8, 2, ProbeOutcome::BadSampleRate},
          Row{96000, 16, 2, ProbeOutcome::BadSampleRate},
          Row{44100, 24, 2, ProbeOutcome::BadBitsPerSample},
          Row{48000, 32, 2, ProbeOutcome::BadBitsPerSample},
          Row{32000, 24, 2, ProbeOutcome::BadSampleRate}}) {
        std::vector<std::uint8_t> bytes = testing::MakeWav(
            WavSpec{.sampleRate = row.rate, .channels = row.channels, .frames = 10});
        bytes[34] = static_cast<std::uint8_t>(row.bits);
        const ProbeResult result = ProbeWavHeaderBytes(bytes.data(), bytes.size());
        EXPECT_EQ(result.outcome, row.outcome) << row.rate << " Hz " << row.bits << " bits";
        EXPECT_EQ(result.sampleRate, row.rate);
        EXPECT_EQ(result.bitsPerSample, row.bits);
        EXPECT_EQ(result.channels, row.channels);
    }
    // A chunk before "fmt " puts other bytes at those offsets.
    const auto listFirst = testing::Riff(
        {{"LIST", testing::FfmpegList()}, {"fmt ", testing::Fmt(2, 44100, 16)}, {"data", {}}});
    EXPECT_EQ(ProbeWavHeaderBytes(listFirst.data(), listFirst.size()).outcome,
              ProbeOutcome::BadSampleRate);
    EXPECT_EQ(ProbeWavHeaderBytes(listFirst.data(), 35).outcome, ProbeOutcome::TooShort);
}

TEST(WavProbeTest, ReadsTheFileAndRefusesWhatCannotBeRead) {
    testing::TempDir dir;
    testing::WriteWav(dir.File("a.wav"), WavSpec{.sampleRate = 48000, .frames = 0});
    EXPECT_EQ(ProbeWavHeader(dir.File("a.wav")).sampleRate, 48000);
    EXPECT_EQ(ProbeWavHeader(dir.File("missing.wav")).outcome, ProbeOutcome::Unreadable);
    EXPECT_EQ(ProbeWavHeader(dir.Path().string()).outcome, ProbeOutcome::Unreadable);
    std::vector<std::uint8_t> bytes = testing::MakeWav(WavSpec{.frames = 0});
    bytes.resize(36);
    testing::WriteBytes(dir.File("36.wav"), bytes);
    EXPECT_EQ(ProbeWavHeader(dir.File("36.wav")).outcome, ProbeOutcome::Accepted);
    bytes.resize(35);
    testing::WriteBytes(dir.File("35.wav"), bytes);
    EXPECT_EQ(ProbeWavHeader(dir.File("35.wav")).outcome, ProbeOutcome::TooShort);
}

} // namespace
} // namespace tarn
