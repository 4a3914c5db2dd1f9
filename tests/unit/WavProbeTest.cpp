#include "filelist/WavProbe.h"

#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::WavSpec;

// Only the fields at offsets 22, 24 and 34 count: the rate is judged first, then the width.
TEST(WavProbeTest, JudgesTheRateThenTheWidthAtFixedOffsets) {
    using Row = std::tuple<std::int32_t, std::int16_t, std::int16_t, ProbeOutcome>;
    for (const auto& [rate, bits, channels, outcome] :
         {Row{44100, 16, 2, ProbeOutcome::Accepted}, Row{48000, 8, 1, ProbeOutcome::Accepted},
          Row{44100, 16, 6, ProbeOutcome::Accepted}, Row{22050, 8, 2, ProbeOutcome::BadSampleRate},
          Row{96000, 16, 2, ProbeOutcome::BadSampleRate},
          Row{44100, 24, 2, ProbeOutcome::BadBitsPerSample},
          Row{48000, 32, 2, ProbeOutcome::BadBitsPerSample},
          Row{32000, 24, 2, ProbeOutcome::BadSampleRate}}) {
        std::vector<std::uint8_t> bytes =
            testing::MakeWav(WavSpec{.sampleRate = rate, .channels = channels, .frames = 10});
        bytes[34] = static_cast<std::uint8_t>(bits);
        const ProbeResult result = ProbeWavHeaderBytes(bytes.data(), bytes.size());
        EXPECT_EQ(
            std::tuple(result.sampleRate, result.bitsPerSample, result.channels, result.outcome),
            std::tuple(rate, bits, channels, outcome));
    }
    // A chunk before "fmt " puts other bytes at those offsets.
    const auto listFirst = testing::Riff(
        {{"LIST", testing::FfmpegList()}, {"fmt ", testing::Fmt(2, 44100, 16)}, {"data", {}}});
    EXPECT_EQ(ProbeWavHeaderBytes(listFirst.data(), listFirst.size()).outcome,
              ProbeOutcome::BadSampleRate);
}

TEST(WavProbeTest, ReadsTheFileAndRefusesWhatCannotBeRead) {
    testing::TempDir dir;
    std::vector<std::uint8_t> bytes = testing::MakeWav(WavSpec{.sampleRate = 48000, .frames = 0});
    bytes.resize(36);
    testing::WriteBytes(dir.File("36.wav"), bytes);
    bytes.resize(35);
    testing::WriteBytes(dir.File("35.wav"), bytes);
    using Row = std::pair<std::string, ProbeOutcome>;
    for (const auto& [path, outcome] : {Row{dir.File("36.wav"), ProbeOutcome::Accepted},
                                        Row{dir.File("35.wav"), ProbeOutcome::TooShort},
                                        Row{dir.File("missing.wav"), ProbeOutcome::Unreadable},
                                        Row{dir.Path().string(), ProbeOutcome::Unreadable}}) {
        EXPECT_EQ(ProbeWavHeader(path).outcome, outcome) << path;
    }
    EXPECT_EQ(ProbeWavHeader(dir.File("36.wav")).sampleRate, 48000);
}

} // namespace
} // namespace tarn
