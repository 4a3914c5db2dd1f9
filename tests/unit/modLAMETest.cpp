#include "encoding/modLAME.h"

#include "support/Mp3Inspect.h"
#include "support/TableRows.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <ostream>
#include <vector>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;

BE_CONFIG ValidConfig() {
    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    BE_CONFIG_LHV1& lhv1 = config.format.LHV1;
    lhv1.dwStructVersion = CURRENT_STRUCT_VERSION;
    lhv1.dwStructSize = CURRENT_STRUCT_SIZE;
    lhv1.dwSampleRate = 44100;
    lhv1.nMode = BE_MP3_MODE_JSTEREO;
    lhv1.dwBitrate = 128;
    lhv1.dwMpegVersion = MPEG1;
    lhv1.nVbrMethod = VBR_METHOD_NONE;
    return config;
}

// Interleaved tones, channel c at frequency × (c + 1).
std::vector<std::int16_t> Tone(int channels, int rate, double seconds, double frequency,
                               double amplitude = 0.5) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> samples;
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double phase =
                2.0 * std::numbers::pi * frequency * (c + 1) * static_cast<double>(f) / rate;
            samples.push_back(
                static_cast<std::int16_t>(std::lround(amplitude * 32767 * std::sin(phase))));
        }
    }
    return samples;
}

struct Stream {
    HBE_STREAM handle = 0;
    std::uint32_t chunkSamples = 0;
    std::uint32_t bufferSize = 0;

    explicit Stream(BE_CONFIG config) {
        EXPECT_EQ(beInitStream(&config, &chunkSamples, &bufferSize, &handle), BE_ERR_SUCCESSFUL);
    }
    // Encodes the samples from `at` on, one chunk; the MP3 bytes are appended to `mp3`.
    void Encode(const std::vector<std::int16_t>& samples, std::size_t at,
                std::vector<std::uint8_t>& mp3) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::size_t>(chunkSamples, samples.size() - at));
        std::vector<std::uint8_t> buffer(bufferSize);
        std::uint32_t produced = 0;
        ASSERT_EQ(beEncodeChunk(handle, count, samples.data() + at, buffer.data(), &produced), 0U);
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
    }
    void Finish(std::vector<std::uint8_t>& mp3) {
        std::vector<std::uint8_t> buffer(bufferSize);
        std::uint32_t produced = 0;
        ASSERT_EQ(beDeinitStream(handle, buffer.data(), &produced), 0U);
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
        EXPECT_EQ(beCloseStream(handle), 0U);
    }
};

std::vector<std::uint8_t> EncodeAll(BE_CONFIG config, const std::vector<std::int16_t>& samples) {
    Stream stream(config);
    std::vector<std::uint8_t> mp3;
    for (std::size_t at = 0; at < samples.size(); at += stream.chunkSamples) {
        stream.Encode(samples, at, mp3);
    }
    stream.Finish(mp3);
    return mp3;
}

TEST(EncoderErrorTextTest, GivesThePublishedTextOfEachCode) {
    const std::vector<std::string> texts{
        "No Error",        "Invalid format", "Invalid format parameters",
        "No more handles", "Invalid handle", "Buffer too small"};
    for (std::int32_t code = 0; code < 6; ++code) {
        EXPECT_EQ(EncoderErrorText(code), texts[static_cast<std::size_t>(code)]);
    }
    for (const std::int32_t code : {-1, 6, 256}) {
        EXPECT_EQ(EncoderErrorText(code), "");
    }
}

struct RefusalCase {
    const char* name;
    std::function<void(BE_CONFIG_LHV1&)> change;
    BE_ERR expected;
};

class InitRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(InitRefusalTest, RefusesAnInvalidRecordAndOpensNoStream) {
    BE_CONFIG config = ValidConfig();
    GetParam().change(config.format.LHV1);
    std::uint32_t samples = 77;
    std::uint32_t bufferSize = 77;
    HBE_STREAM handle = 77;
    EXPECT_EQ(beInitStream(&config, &samples, &bufferSize, &handle), GetParam().expected);
    EXPECT_EQ(samples + bufferSize + handle, 3 * 77U);
}

INSTANTIATE_TEST_SUITE_P(
    Records, InitRefusalTest,
    ::testing::Values(
        RefusalCase{"struct_size", [](BE_CONFIG_LHV1& c) { c.dwStructSize = 330; }, 1},
        RefusalCase{"mode_4", [](BE_CONFIG_LHV1& c) { c.nMode = 4; }, 2},
        RefusalCase{"bitrate_129", [](BE_CONFIG_LHV1& c) { c.dwBitrate = 129; }, 2},
        RefusalCase{"mpeg2_bitrate_as_mpeg1", [](BE_CONFIG_LHV1& c) { c.dwBitrate = 144; }, 2},
        RefusalCase{"vbr", [](BE_CONFIG_LHV1& c) { c.bEnableVBR = BE_TRUE; }, 2}),
    RowName);

TEST(StreamTest, RefusesUnknownHandlesAndCountsItCannotTake) {
    Stream stream(ValidConfig());
    Stream closed(ValidConfig());
    ASSERT_EQ(beCloseStream(closed.handle), 0U);
    std::vector<std::int16_t> samples(stream.chunkSamples + 2, 0);
    std::vector<std::uint8_t> buffer(stream.bufferSize);
    std::uint32_t produced = 99;
    for (const HBE_STREAM unknown : {HBE_STREAM{0}, closed.handle}) {
        EXPECT_EQ(beEncodeChunk(unknown, 4, samples.data(), buffer.data(), &produced), 4U);
        EXPECT_EQ(beDeinitStream(unknown, buffer.data(), &produced), 4U);
        EXPECT_EQ(beCloseStream(unknown), 4U);
    }
    // Half a stereo frame; more than a chunk, whose output might not fit the buffer.
    EXPECT_EQ(beEncodeChunk(stream.handle, 3, samples.data(), buffer.data(), &produced), 2U);
    produced = 99;
    EXPECT_EQ(beEncodeChunk(stream.handle, stream.chunkSamples + 2, samples.data(), buffer.data(),
                            &produced),
              BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(produced, 0U);
    std::vector<std::uint8_t> mp3;
    stream.Encode(samples, 2, mp3);
    EXPECT_EQ(beDeinitStream(stream.handle, buffer.data(), &produced), 0U);
    // A finished stream takes nothing more.
    EXPECT_EQ(beEncodeChunk(stream.handle, 4, samples.data(), buffer.data(), &produced), 2U);
    EXPECT_EQ(beDeinitStream(stream.handle, buffer.data(), &produced), 2U);
    EXPECT_EQ(beCloseStream(stream.handle), 0U);
}

// The presets' filters: a tone well inside a preset's band passes, one outside is removed.
struct FilterCase {
    const char* name;
    std::int32_t preset;
    std::uint32_t bitrate;
    double frequency;
    bool passes;
};

class PresetFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(PresetFilterTest, KeepsOrRemovesTheTone) {
    if (!testing::HaveProgram("mpg123")) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    const FilterCase& c = GetParam();
    BE_CONFIG config = ValidConfig();
    config.format.LHV1.nMode = BE_MP3_MODE_MONO;
    config.format.LHV1.nPreset = c.preset;
    config.format.LHV1.dwBitrate = c.bitrate;
    const double amplitude = 0.25;
    testing::TempDir dir;
    testing::WriteBytes(dir.File("tone.mp3"),
                        EncodeAll(config, Tone(1, 44100, 1.0, c.frequency, amplitude)));
    const std::optional<testing::DecodedSound> sound =
        testing::DecodeWithMpg123(dir.File("tone.mp3"));
    ASSERT_TRUE(sound.has_value());
    const double level = testing::ToneLevel(*sound, 0, c.frequency);
    if (c.passes) {
        EXPECT_GT(level, amplitude * 0.7);
    } else {
        EXPECT_LT(level, amplitude * 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetFilterTest,
    ::testing::Values(FilterCase{"normal_keeps_17k", LQP_NORMAL_QUALITY, 320, 17000, true},
                      FilterCase{"phone_removes_100hz", LQP_PHONE, 128, 100, false},
                      // The bit rate's own band limit still holds.
                      FilterCase{"cd_at_32_removes_12k", LQP_CD, 32, 12000, false}),
    RowName);

} // namespace
} // namespace tarn
