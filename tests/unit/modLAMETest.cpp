#include "encoding/modLAME.h"

#include "support/Mp3Inspect.h"
#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>

namespace tarn {
namespace {

using testing::Bytes;
using Samples = std::vector<std::int16_t>;

// The record as the program fills it, the header flags left as the `lame` command leaves them.
BE_CONFIG Config(std::int32_t preset, int rate, int channels, std::uint32_t bitrate) {
    return {BE_CONFIG_LAME,
            {{.dwStructVersion = CURRENT_STRUCT_VERSION,
              .dwStructSize = CURRENT_STRUCT_SIZE,
              .dwSampleRate = static_cast<std::uint32_t>(rate),
              .nMode = channels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_JSTEREO,
              .dwBitrate = bitrate,
              .nPreset = preset,
              .dwMpegVersion = MPEG1,
              .bOriginal = BE_TRUE}}};
}

// A stream: `first` frames (too few to deliver anything), then whole chunks; empty if refused.
Bytes Encode(BE_CONFIG config, const Samples& samples, std::uint32_t first = 576) {
    std::uint32_t chunk = 0, size = 0, produced = 0;
    HBE_STREAM stream = 0;
    if (beInitStream(&config, &chunk, &size, &stream) != BE_ERR_SUCCESSFUL) {
        return {};
    }
    const std::uint32_t channels = config.format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    EXPECT_GE(size, chunk / channels * 5 / 4 + 7200); // lame.h's worst case for one chunk
    Bytes mp3, buffer(size);
    const auto total = static_cast<std::uint32_t>(samples.size());
    for (std::uint32_t done = 0, count = first * channels; done < total; done += count) {
        count = std::min(done == 0 ? count : chunk, total - done);
        EXPECT_EQ(beEncodeChunk(stream, count, &samples[done], buffer.data(), &produced), 0U);
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
    }
    EXPECT_EQ(beDeinitStream(stream, buffer.data(), &produced), 0U);
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
    EXPECT_EQ(beCloseStream(stream), 0U);
    return mp3;
}

// A preset without a highpass gives the bytes of `lame -t --resample` for noise, where all shows.
TEST(PresetTest, GivesTheBytesOfTheLameCommand) {
    using Row = std::tuple<std::int32_t, int, int, std::uint32_t, const char*>;
    // For LQP_CD at 128 kbit/s the bit rate's own lowpass, 17 kHz, is the lower.
    for (const auto& [preset, rate, channels, bitrate, options] :
         {Row{LQP_LOW_QUALITY, 44100, 2, 32, "-q 7"}, Row{LQP_NORMAL_QUALITY, 48000, 1, 40, ""},
          Row{LQP_HIGH_QUALITY, 32000, 2, 320, "-q 2"},
          Row{LQP_RADIO, 44100, 2, 112, "--lowpass 15"},
          Row{LQP_TAPE, 48000, 1, 64, "--lowpass 14"},
          Row{LQP_HIFI, 44100, 2, 192, "-q 2 --lowpass 18"},
          Row{LQP_CD, 48000, 2, 320, "-q 2 --lowpass 20"}, Row{LQP_CD, 44100, 2, 128, "-q 2"},
          Row{LQP_STUDIO, 44100, 1, 128, "-q 0"}}) {
        Samples samples(static_cast<std::size_t>(rate * 3 / 10 * channels));
        Bytes data;
        std::uint32_t state = 1;
        for (std::int16_t& sample : samples) {
            state = state * 1103515245U + 12345U;
            sample = static_cast<std::int16_t>(static_cast<std::int16_t>(state >> 16U) / 4);
            testing::Put(data, static_cast<std::uint16_t>(sample), 2);
        }
        const testing::TempDir dir;
        const std::string wav = dir.File("in.wav"), mp3 = dir.File("out.mp3");
        testing::WriteBytes(
            wav, testing::Riff({{"fmt ", testing::Fmt(channels, rate, 16)}, {"data", data}}));
        std::ostringstream command;
        command << "lame --quiet -t -b " << bitrate << " -m " << (channels == 1 ? "m" : "j")
                << " --resample " << rate / 1000.0 << " " << options << " " << wav << " " << mp3;
        ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str(); // NOLINT(cert-env33-c)
        const BE_CONFIG config = Config(preset, rate, channels, bitrate);
        EXPECT_TRUE(Encode(config, samples) == testing::ReadAllBytes(mp3)) << command.str();
    }
}

// Voice and Phone (cut-off 100, 300 Hz) take away a tone well below it, halve one at it, decoded.
TEST(PresetTest, VoiceAndPhoneTakeAwayLowTones) {
    constexpr double kWithin = 1000;
    const std::tuple<std::int32_t, std::size_t, double, double> cases[] = {
        {LQP_VOICE_QUALITY, 2, 40, 100}, {LQP_PHONE, 1, 100, 300}};
    for (const auto& [preset, channels, low, cutoff] : cases) {
        Samples samples(44100 * 3 / 10 * channels);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::size_t frame = i / channels;
            const double phase = 2 * std::numbers::pi * static_cast<double>(frame) / 44100;
            const std::size_t channel = i % channels;
            samples[i] = static_cast<std::int16_t>(std::lround(
                8000 * ((channel == 0 ? std::sin(low * phase) + std::sin(kWithin * phase) : 0) +
                        (channel + 1 == channels ? std::sin(cutoff * phase) : 0))));
        }
        const testing::TempDir dir;
        const std::string mp3 = dir.File("out.mp3");
        const int count = static_cast<int>(channels);
        const BE_CONFIG config = Config(preset, 44100, count, 128);
        const Bytes ours = Encode(config, samples);
        // Wherever the samples are cut into pieces, the filter goes on where it stopped.
        EXPECT_TRUE(ours == Encode(config, samples, 1000)) << preset;
        testing::WriteBytes(mp3, ours);
        const auto sound = testing::DecodeWithMpg123(mp3);
        ASSERT_TRUE(sound.has_value());
        const double within = testing::ToneLevel(*sound, 0, kWithin);
        EXPECT_LT(testing::ToneLevel(*sound, 0, low), within / 10) << preset;
        EXPECT_NEAR(testing::ToneLevel(*sound, count - 1, cutoff) / within, std::sqrt(0.5), 0.002)
            << preset;
    }
}

TEST(StreamTest, RefusesWhatItDoesNotServeAndSaysWhy) {
    BE_CONFIG config = Config(LQP_NORMAL_QUALITY, 44100, 2, 128);
    std::uint32_t chunk = 0, size = 0, count = 0;
    HBE_STREAM closed = 0, open = 0;
    const auto with = [&](auto field, auto value) {
        BE_CONFIG changed = config;
        changed.format.LHV1.*field = value;
        return beInitStream(&changed, &chunk, &size, &open);
    };
    EXPECT_EQ(with(&BE_CONFIG_LHV1::dwStructVersion, 2U), BE_ERR_INVALID_FORMAT);
    EXPECT_EQ(with(&BE_CONFIG_LHV1::dwMpegVersion, MPEG2), 2U);
    EXPECT_EQ(with(&BE_CONFIG_LHV1::dwEmphasis, 1U), 2U);
    EXPECT_EQ(with(&BE_CONFIG_LHV1::bNoRes, BE_TRUE), 2U);
    // A rate and a bit rate that the library would move to others.
    EXPECT_EQ(with(&BE_CONFIG_LHV1::dwSampleRate, 44000U), 2U);
    EXPECT_EQ(with(&BE_CONFIG_LHV1::dwBitrate, 129U), 2U);
    EXPECT_EQ(beInitStream(nullptr, &chunk, &size, &open), 2U);
    EXPECT_EQ(beInitStream(&config, &chunk, nullptr, &open), 2U);

    ASSERT_EQ(beInitStream(&config, &chunk, &size, &closed), 0U);
    ASSERT_EQ(beCloseStream(closed), 0U);
    ASSERT_EQ(beInitStream(&config, &chunk, &size, &open), 0U);
    Samples in(chunk + 2);
    Bytes out(size);
    EXPECT_EQ(beEncodeChunk(closed, 2, in.data(), out.data(), &count), 4U);
    EXPECT_EQ(beCloseStream(closed), 4U);
    EXPECT_EQ(beEncodeChunk(open, 2, nullptr, out.data(), &count), 2U);
    EXPECT_EQ(beEncodeChunk(open, 3, in.data(), out.data(), &count), 2U); // half a frame
    EXPECT_EQ(beEncodeChunk(open, chunk + 2, in.data(), out.data(), &count), 5U);
    EXPECT_EQ(beDeinitStream(open, out.data(), &count), 0U);
    EXPECT_EQ(beDeinitStream(open, out.data(), &count), 2U);
    EXPECT_EQ(beEncodeChunk(open, 2, in.data(), out.data(), &count), 2U);
    EXPECT_EQ(beCloseStream(open), 0U);
    // A failure is told by its text alone; one the encoder has no text for, in no words.
    EXPECT_TRUE(EncoderOutcome(0).Ok());
    for (const auto& [code, text] :
         {std::pair{-1, ""}, {1, "Invalid format"}, {5, "Buffer too small"}, {6, ""}}) {
        EXPECT_FALSE(EncoderOutcome(code).Ok()) << code;
        EXPECT_EQ(EncoderOutcome(code).Reason(), text) << code;
    }
}

} // namespace
} // namespace tarn
