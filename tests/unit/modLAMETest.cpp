#include "encoding/modLAME.h"

#include "support/Mp3Inspect.h"
#include "support/RiffBuilder.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <lame/lame.h>
#include <numbers>
#include <set>

namespace tarn {
namespace {

using testing::Bytes;
using Samples = std::vector<std::int16_t>;

// The record as the program fills it, with the header flags that the `lame` command's options
// name: -p error protection, -c copyright, -o not original.
BE_CONFIG Config(std::int32_t preset, std::uint32_t rate, int channels, std::uint32_t bitrate,
                 const std::string& options = "", bool privateBit = false) {
    const auto flag = [&](const char* option, bool given) {
        return (options.find(option) != std::string::npos) == given ? BE_TRUE : BE_FALSE;
    };
    return {BE_CONFIG_LAME,
            {{.dwStructVersion = CURRENT_STRUCT_VERSION,
              .dwStructSize = CURRENT_STRUCT_SIZE,
              .dwSampleRate = rate,
              .nMode = channels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_JSTEREO,
              .dwBitrate = bitrate,
              .nPreset = preset,
              .dwMpegVersion = MPEG1,
              .bPrivate = privateBit ? BE_TRUE : BE_FALSE,
              .bCRC = flag("-p", true),
              .bCopyright = flag("-c", true),
              .bOriginal = flag("-o", false)}}};
}

// A whole stream: a first piece too short for the encoder to deliver anything, then whole chunks.
// Empty when the stream cannot be started.
Bytes Encode(BE_CONFIG config, const Samples& samples) {
    std::uint32_t chunk = 0, size = 0, produced = 0;
    HBE_STREAM stream = 0;
    if (beInitStream(&config, &chunk, &size, &stream) != BE_ERR_SUCCESSFUL) {
        return {};
    }
    const std::uint32_t channels = config.format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    EXPECT_GE(size, chunk / channels * 5 / 4 + 7200); // lame.h's worst case for one chunk
    Bytes mp3, buffer(size);
    const auto total = static_cast<std::uint32_t>(samples.size());
    for (std::uint32_t done = 0, count = 576 * channels; done < total; done += count) {
        count = std::min(done == 0 ? count : chunk, total - done);
        EXPECT_EQ(beEncodeChunk(stream, count, &samples[done], buffer.data(), &produced), 0U);
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
    }
    EXPECT_EQ(beDeinitStream(stream, buffer.data(), &produced), 0U);
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + produced);
    EXPECT_EQ(beCloseStream(stream), 0U);
    return mp3;
}

// Each preset without a highpass of its own gives the bytes of the `lame` command with the same
// settings (-t: no info tag; --resample at the source's rate, which it would otherwise lower), for
// 0.3 s of noise: every filter and quality setting shows in the bytes.
TEST(PresetTest, GivesTheBytesOfTheLameCommand) {
    if (!testing::HaveProgram("lame")) {
        GTEST_SKIP() << "lame is not installed (scripts/install-deps.sh installs it)";
    }
    struct Case {
        std::int32_t preset;
        std::uint32_t rate;
        int channels;
        std::uint32_t bitrate;
        bool privateBit;
        const char* options;
    };
    for (const Case& c : {Case{LQP_LOW_QUALITY, 44100, 2, 32, false, "-q 7 -p"},
                          Case{LQP_NORMAL_QUALITY, 48000, 1, 40, false, "-c"},
                          Case{LQP_HIGH_QUALITY, 32000, 2, 320, false, "-q 2 -o"},
                          Case{LQP_RADIO, 44100, 2, 112, true, "--lowpass 15"},
                          Case{LQP_TAPE, 48000, 1, 64, false, "--lowpass 14"},
                          Case{LQP_HIFI, 44100, 2, 192, false, "-q 2 --lowpass 18"},
                          Case{LQP_CD, 48000, 2, 320, false, "-q 2 --lowpass 20"},
                          // The bit rate's own lowpass, 17 kHz, is the lower.
                          Case{LQP_CD, 44100, 2, 128, false, "-q 2"},
                          Case{LQP_STUDIO, 44100, 1, 128, false, "-q 0"}}) {
        Samples samples(c.rate * 3 / 10 * static_cast<std::uint32_t>(c.channels));
        Bytes data;
        std::uint32_t state = 1;
        for (std::int16_t& sample : samples) {
            state = state * 1103515245U + 12345U;
            sample = static_cast<std::int16_t>(static_cast<std::int16_t>(state >> 16U) / 4);
            testing::Put(data, static_cast<std::uint16_t>(sample), 2);
        }
        const testing::TempDir dir;
        const std::string wav = dir.File("in.wav"), mp3 = dir.File("out.mp3");
        const int rate = static_cast<int>(c.rate);
        testing::WriteBytes(
            wav, testing::Riff({{"fmt ", testing::Fmt(c.channels, rate, 16)}, {"data", data}}));
        const std::string command = "lame --quiet -t -b " + std::to_string(c.bitrate) + " -m " +
                                    (c.channels == 1 ? "m" : "j") + " --resample " +
                                    std::to_string(rate / 1000.0) + " " + c.options + " " + wav +
                                    " " + mp3;
        ASSERT_EQ(testing::RunCommand(command), 0) << command;
        Bytes expected = testing::ReadAllBytes(mp3);
        // The command cannot set the private bit: it is set here in each frame header.
        for (std::size_t at = 0; c.privateBit && at + 2 < expected.size();
             at += 144 * c.bitrate * 1000 / c.rate + ((expected[at + 2] >> 1U) & 1U)) {
            expected[at + 2] |= 1U;
        }
        const BE_CONFIG config =
            Config(c.preset, c.rate, c.channels, c.bitrate, c.options, c.privateBit);
        EXPECT_TRUE(Encode(config, samples) == expected) << command;
    }
}

// Voice and Phone take away what lies well below their cut-off (100 and 300 Hz) and keep what lies
// above it, judged on the decoded sound. In stereo the low tone is on the left, the high on the
// right; in mono both are in the one channel.
TEST(PresetTest, VoiceAndPhoneTakeAwayLowTones) {
    if (!testing::HaveProgram("mpg123")) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    struct Case {
        std::int32_t preset;
        std::size_t channels;
        double low;
        double high;
    };
    for (const Case& c : {Case{LQP_VOICE_QUALITY, 2, 40, 400}, Case{LQP_PHONE, 1, 100, 1000}}) {
        Samples samples(44100 * 3 / 10 * c.channels);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double phase = 2 * std::numbers::pi * static_cast<double>(i / c.channels) / 44100;
            const std::size_t channel = i % c.channels;
            samples[i] = static_cast<std::int16_t>(
                std::lround(12000 * ((channel == 0 ? std::sin(c.low * phase) : 0) +
                                     (channel + 1 == c.channels ? std::sin(c.high * phase) : 0))));
        }
        const testing::TempDir dir;
        const std::string mp3 = dir.File("out.mp3");
        const int channels = static_cast<int>(c.channels);
        testing::WriteBytes(mp3, Encode(Config(c.preset, 44100, channels, 128), samples));
        const auto sound = testing::DecodeWithMpg123(mp3);
        ASSERT_TRUE(sound.has_value());
        EXPECT_LT(testing::ToneLevel(*sound, 0, c.low), 0.02) << c.preset; // of 0.37
        EXPECT_GT(testing::ToneLevel(*sound, channels - 1, c.high), 0.3) << c.preset;
    }
}

TEST(StreamTest, RefusesWhatItDoesNotServe) {
    const std::pair<void (*)(BE_CONFIG&), BE_ERR> changes[] = {
        {[](BE_CONFIG& c) { c.dwConfig = BE_CONFIG_MP3; }, BE_ERR_INVALID_FORMAT},
        {[](BE_CONFIG& c) { c.format.LHV1.dwStructVersion = 2; }, BE_ERR_INVALID_FORMAT},
        {[](BE_CONFIG& c) { c.format.LHV1.dwStructSize = 330; }, BE_ERR_INVALID_FORMAT},
        {[](BE_CONFIG& c) { c.format.LHV1.nMode = BE_MP3_MODE_DUALCHANNEL; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.nPreset = LQP_VOICE; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.dwMpegVersion = MPEG2; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.dwReSampleRate = 48000; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.dwEmphasis = 1; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.bEnableVBR = BE_TRUE; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.bNoRes = BE_TRUE; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.bStrictIso = BE_TRUE; }, 2},
        // Rates and bit rates that the library would move to others, and an MPEG-2 rate.
        {[](BE_CONFIG& c) { c.format.LHV1.dwSampleRate = 44000; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.dwBitrate = 129; }, 2},
        {[](BE_CONFIG& c) { c.format.LHV1.dwSampleRate = 22050; }, 2},
    };
    BE_CONFIG config = Config(LQP_NORMAL_QUALITY, 44100, 2, 128);
    std::uint32_t chunk = 0, size = 0, count = 0;
    HBE_STREAM closed = 0, open = 0;
    for (std::size_t row = 0; row < std::size(changes); ++row) {
        BE_CONFIG changed = config;
        changes[row].first(changed);
        EXPECT_EQ(beInitStream(&changed, &chunk, &size, &open), changes[row].second) << row;
    }
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
}

// Every result code has a text of its own; no other number has one.
TEST(EncoderErrorTextTest, NamesEachResultCode) {
    std::set<std::string> texts;
    for (std::int32_t code = 0; code <= 5; ++code) {
        texts.insert(EncoderErrorText(code));
    }
    EXPECT_EQ(texts.size(), 6U);
    EXPECT_EQ(texts.count(""), 0U);
    EXPECT_EQ(EncoderErrorText(-1) + EncoderErrorText(6), "");
}

} // namespace
} // namespace tarn
