#include "encoding/clsFileIo.h"
#include "encoding/modLAME.h"
#include "platform/FileOps.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"
#include "support/JobFixture.h"
#include "support/Mp3Inspect.h"
#include "support/RiffBuilder.h"
#include "support/TableRows.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;

namespace fs = std::filesystem;
using testing::DecodedSound;
using testing::Mp3Frame;
using testing::WavSpec;

constexpr const char* kErrorTitle = "Critical error...";
// The encoder's start-up delay and its last, padded frames: a decoded file is longer than its
// source by at most this many frames.
constexpr std::size_t kMaxExtraFrames = 3 * 1152;

using testing::Bytes;

bool NeedDecoders(bool withLame = false) {
    return testing::HaveProgram("mpg123") && (!withLame || testing::HaveProgram("lame"));
}

// One run at a time, called straight from the test.
class EncodeFileTest : public testing::JobFixture {
protected:
    void Select(forms::ComboBox& box, const std::string& text) {
        const auto& items = box.Items();
        const auto found = std::find(items.begin(), items.end(), text);
        ASSERT_NE(found, items.end()) << text;
        box.SetListIndex(static_cast<int>(found - items.begin()));
    }

    // Writes the WAV file, lists it as the add button does and returns its path on disk.
    std::string ListedWav(const std::string& name, double seconds, const WavSpec& format = {}) {
        WriteSound(name, seconds, format);
        const std::string listed = Add(name);
        EXPECT_TRUE(platform.Messages().empty());
        return listed;
    }

    std::string Mp3Of(const std::string& wav) const { return ChangeExtension(wav, "mp3"); }

    // The single message of a run: its text, after checking title and icon.
    std::string OnlyMessage() const {
        EXPECT_EQ(platform.Messages().size(), 1U);
        if (platform.Messages().empty()) {
            return {};
        }
        const platform::MessageBoxRequest& message = platform.Messages().front();
        EXPECT_EQ(message.Title, kErrorTitle);
        EXPECT_EQ(message.Icon, platform::MessageIcon::Critical);
        return message.Text;
    }

    std::optional<std::vector<Mp3Frame>> Frames(const std::string& mp3) const {
        return testing::ParseMp3Frames(testing::ReadAllBytes(mp3));
    }
};

// Tone levels of a decoded file: each source channel c plays 440 × (c + 1) Hz at half scale;
// expected[out][c] is the share of source channel c in output channel out.
void ExpectTones(const DecodedSound& sound, const std::vector<std::vector<double>>& expected) {
    ASSERT_EQ(static_cast<std::size_t>(sound.channels), expected.size());
    for (std::size_t out = 0; out < expected.size(); ++out) {
        for (std::size_t c = 0; c < expected[out].size(); ++c) {
            const double want = 0.5 * expected[out][c];
            const double level = testing::ToneLevel(sound, static_cast<int>(out),
                                                    440.0 * static_cast<double>(c + 1));
            EXPECT_NEAR(level, want, 0.01 + want * 0.1)
                << "output channel " << out << ", tone of source channel " << c;
        }
    }
}

// What a source's channels become in the output: copied, spread or mixed.
std::vector<std::vector<double>> ChannelShares(int sourceChannels, int outChannels) {
    if (sourceChannels == 6) {
        // Mixed to mono: front left, front right, centre, low frequency, back left, back right.
        return {{0.207, 0.207, 0.293, 0.0, 0.146, 0.146}};
    }
    if (sourceChannels == outChannels) {
        return outChannels == 1 ? std::vector<std::vector<double>>{{1.0}}
                                : std::vector<std::vector<double>>{{1.0, 0.0}, {0.0, 1.0}};
    }
    return sourceChannels == 1 ? std::vector<std::vector<double>>{{1.0}, {1.0}}
                               : std::vector<std::vector<double>>{{0.5, 0.5}};
}

void ExpectDuration(const DecodedSound& sound, std::int64_t sourceFrames) {
    EXPECT_GE(sound.Frames(), static_cast<std::size_t>(sourceFrames));
    EXPECT_LE(sound.Frames(), static_cast<std::size_t>(sourceFrames) + kMaxExtraFrames);
}

// ---- WAV files as other programs write them, with the chosen options ----

constexpr std::int64_t kSourceFrames = 22050;

const WavSpec kCd{.sampleRate = 44100, .bitsPerSample = 16, .channels = 2};
const WavSpec kCdMono{.sampleRate = 44100, .bitsPerSample = 16, .channels = 1};
const WavSpec kDat8{.sampleRate = 48000, .bitsPerSample = 8, .channels = 2};
const WavSpec kSix{.sampleRate = 44100, .bitsPerSample = 16, .channels = 6};

Bytes Canonical(WavSpec shape) {
    shape.frames = kSourceFrames;
    return testing::MakeWav(shape);
}

struct Boxes {
    int crc;
    int privateBit;
    int copyright;
    int original;
};

struct EncodeCase {
    const char* name;
    WavSpec source; // rate and channels of the sound in the file
    const char* bitrate;
    const char* mode;
    int quality;
    std::int32_t preset;
    Boxes boxes;
    std::function<Bytes()> file = nullptr; // none: the canonical file of `source`
    std::int64_t frames = kSourceFrames;
};

class EncodeSourceTest : public EncodeFileTest, public ::testing::WithParamInterface<EncodeCase> {};

TEST_P(EncodeSourceTest, EveryFrameAndTheDecodedSoundAreAsChosen) {
    if (!NeedDecoders()) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    const EncodeCase& c = GetParam();
    // Straight to the run: the header probe of the file list reads fixed offsets and would
    // refuse some of these files before they got here.
    const std::string wav = dir.File("source.wav");
    testing::WriteBytes(wav, c.file ? c.file() : Canonical(c.source));
    Select(form.cmbBitrate, c.bitrate);
    Select(form.cmbMode, c.mode);
    form.cmbQuality.SetListIndex(c.quality);
    form.chkCRC.SetValue(c.boxes.crc);
    form.chkPrivateBit.SetValue(c.boxes.privateBit);
    form.chkCopyrightBit.SetValue(c.boxes.copyright);
    form.chkOriginalBit.SetValue(c.boxes.original);
    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());
    // The quality list's preset is in no frame header.
    EXPECT_EQ(form.EncoderConfig.format.LHV1.nPreset, c.preset);

    const bool stereo = std::string(c.mode) == "Stereo";
    const std::optional<std::vector<Mp3Frame>> frames = Frames(Mp3Of(wav));
    ASSERT_TRUE(frames.has_value()) << "the output is not a clean run of MP3 frames";
    ASSERT_FALSE(frames->empty());
    for (const Mp3Frame& frame : *frames) {
        ASSERT_EQ(frame.bitrateKbps, std::stoi(c.bitrate));
        ASSERT_EQ(frame.mode, stereo ? 1 : 3);
        ASSERT_EQ(frame.crc, c.boxes.crc == 1);
        ASSERT_EQ(frame.privateBit, c.boxes.privateBit == 1);
        ASSERT_EQ(frame.copyright, c.boxes.copyright == 1);
        // The box clears the original bit.
        ASSERT_EQ(frame.original, c.boxes.original != 1);
    }
    if (c.frames == 0) {
        // Nothing to encode: at most the encoder's final frames, all silent.
        EXPECT_LE(frames->size() * 1152, kMaxExtraFrames);
        return;
    }
    const std::optional<DecodedSound> sound = testing::DecodeWithMpg123(Mp3Of(wav));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->sampleRate, c.source.sampleRate);
    EXPECT_EQ(sound->channels, stereo ? 2 : 1);
    ExpectDuration(*sound, c.frames);
    ExpectTones(*sound, ChannelShares(c.source.channels, stereo ? 2 : 1));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EncodeSourceTest,
    ::testing::Values(
        // Read from byte 44, this file's channels would come out swapped.
        EncodeCase{"ffmpeg_list_before_data_320_stereo_all_boxes",
                   kCd,
                   "320",
                   "Stereo",
                   2,
                   LQP_HIGH_QUALITY,
                   {1, 1, 1, 1},
                   [] {
                       const Bytes canonical = Canonical(kCd);
                       return testing::Riff(
                           {{"fmt ", testing::Fmt(2, 44100, 16)},
                            {"LIST", testing::FfmpegList()},
                            {"data", Bytes(canonical.begin() + 44, canonical.end())}});
                   }},
        EncodeCase{"eight_bit_48000_160_stereo", kDat8, "160", "Stereo", 8, LQP_CD, {1, 0, 0, 1}},
        EncodeCase{"mono_40_stereo", kCdMono, "40", "Stereo", 3, LQP_VOICE_QUALITY, {0, 1, 0, 0}},
        EncodeCase{"six_channels_96_mono", kSix, "96", "Mono", 1, LQP_NORMAL_QUALITY, {1, 1, 1, 1}},
        EncodeCase{"odd_data_length_and_trailing_list_64_mono",
                   kCdMono,
                   "64",
                   "Mono",
                   9,
                   LQP_STUDIO,
                   {0, 0, 1, 0},
                   [] {
                       WavSpec shape = kCdMono;
                       shape.oddDataByte = true;
                       const Bytes list = testing::FfmpegList();
                       shape.trailer = Bytes{'L', 'I', 'S', 'T', 26, 0, 0, 0};
                       shape.trailer.insert(shape.trailer.end(), list.begin(), list.end());
                       return Canonical(shape);
                   }},
        // Grayed boxes count as unchecked.
        EncodeCase{"data_claims_more_than_the_file_32_mono_grayed_boxes",
                   kCd,
                   "32",
                   "Mono",
                   0,
                   LQP_LOW_QUALITY,
                   {2, 2, 2, 2},
                   [] {
                       WavSpec shape = kCd;
                       shape.claimedDataSize = 100 * kSourceFrames * 4;
                       return Canonical(shape);
                   }},
        EncodeCase{"header_only_44_bytes",
                   kCd,
                   "128",
                   "Stereo",
                   1,
                   LQP_NORMAL_QUALITY,
                   {0, 0, 0, 0},
                   [] { return testing::MakeWav(WavSpec{.frames = 0}); },
                   0}),
    RowName);

// ---- "Normal" is the library's command-line encoder, byte for byte ----

struct SameAsLameCase {
    const char* name;
    WavSpec source;
    const char* bitrate;
    const char* mode;
};

class SameAsLameTest : public EncodeFileTest,
                       public ::testing::WithParamInterface<SameAsLameCase> {};

TEST_P(SameAsLameTest, NormalEqualsTheLameCommand) {
    if (!NeedDecoders(true)) {
        GTEST_SKIP() << "lame or mpg123 is not installed (scripts/install-deps.sh installs them)";
    }
    const SameAsLameCase& c = GetParam();
    const std::string wav = ListedWav("source.wav", 1.5, c.source);
    Select(form.cmbBitrate, c.bitrate);
    Select(form.cmbMode, c.mode);
    form.cmbQuality.SetListIndex(1);
    form.EncodeFile(wav);
    ASSERT_TRUE(platform.Messages().empty());

    // -t: no info tag. --resample at the source's own rate: the command would otherwise pick a
    // lower output rate for low bit rates, which the program never does.
    const std::string reference = dir.File("reference.mp3");
    const std::string command = std::string("lame --quiet -t -b ") + c.bitrate + " -m " +
                                (std::string(c.mode) == "Stereo" ? "j" : "m") + " --resample " +
                                std::to_string(c.source.sampleRate / 1000.0) + " " +
                                testing::ShellQuote(wav) + " " + testing::ShellQuote(reference);
    ASSERT_EQ(testing::RunCommand(command), 0) << command;
    const Bytes ours = testing::ReadAllBytes(Mp3Of(wav));
    ASSERT_FALSE(ours.empty());
    EXPECT_TRUE(ours == testing::ReadAllBytes(reference)) << command;
}

INSTANTIATE_TEST_SUITE_P(Encodes, SameAsLameTest,
                         ::testing::Values(SameAsLameCase{"cd_128_joint", kCd, "128", "Stereo"},
                                           SameAsLameCase{"cd_mono_320", kCdMono, "320", "Mono"},
                                           SameAsLameCase{"dat8_32_joint", kDat8, "32", "Stereo"}),
                         RowName);

// ---- Output path ----

TEST_F(EncodeFileTest, WritesToTheEntrysMp3Path) {
    const std::string wav = ListedWav("My Song.wav", 0.1);
    ASSERT_EQ(wav, dir.File("MySong.wav"));
    form.Mp3Paths[1] = dir.File("Chosen.mp3");
    form.EncodeFile(wav);
    EXPECT_TRUE(Frames(dir.File("Chosen.mp3")).has_value());
    EXPECT_FALSE(platform::FileExists(dir.File("MySong.mp3")));
}

// ---- Pacing and abort ----

class EncodePacingTest : public EncodeFileTest {
protected:
    void SetUp() override {
        EncodeFileTest::SetUp();
        wav = ListedWav("long.wav", kFrames / 44100.0);
    }
    std::int64_t FramesPerChunk() const { return form.ChunkSamples / 2; }

    static constexpr std::int64_t kFrames = 441000;
    std::string wav;
};

TEST_F(EncodePacingTest, ProcessesEventsTwiceAfterEveryChunk) {
    std::vector<std::int64_t> lengthsSeen;
    // The length on disk follows the encoding while it runs.
    for (int call = 1; call <= 60; call += 2) {
        platform.AtDoEvents(
            call, [&] { lengthsSeen.push_back(platform::FileLength(Mp3Of(wav)).value_or(-1)); });
    }
    form.EncodeFile(wav);
    const std::int64_t chunks = (kFrames + FramesPerChunk() - 1) / FramesPerChunk();
    EXPECT_GT(chunks, 10);
    EXPECT_EQ(platform.DoEventsCalls(), 2 * chunks);
    ASSERT_GE(lengthsSeen.size(), 10U);
    EXPECT_GT(lengthsSeen.front(), 0);
    EXPECT_TRUE(std::is_sorted(lengthsSeen.begin(), lengthsSeen.end()));
    EXPECT_LT(lengthsSeen.back(), platform::FileLength(Mp3Of(wav)).value_or(0));
}

// An abort set in a pause lets one more chunk through; the file ends with whole frames.
struct AbortCase {
    const char* name;
    int atDoEvents; // 0: set before the run
    int doEventsCalls;
    std::int64_t chunks;
};

class EncodeAbortTest : public EncodePacingTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(EncodeAbortTest, EndsWithACompleteShorterFile) {
    if (!NeedDecoders()) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    const AbortCase& c = GetParam();
    if (c.atDoEvents == 0) {
        form.AbortRequested = true;
    } else {
        platform.AtDoEvents(c.atDoEvents, [&] { form.AbortRequested = true; });
    }
    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(platform.DoEventsCalls(), c.doEventsCalls);
    ASSERT_TRUE(Frames(Mp3Of(wav)).has_value()) << "the output must end with whole frames";
    const std::optional<DecodedSound> sound = testing::DecodeWithMpg123(Mp3Of(wav));
    ASSERT_TRUE(sound.has_value());
    ExpectDuration(*sound, c.chunks * FramesPerChunk());
}

INSTANTIATE_TEST_SUITE_P(Aborts, EncodeAbortTest,
                         ::testing::Values(AbortCase{"already_requested", 0, 0, 1},
                                           AbortCase{"in_the_second_pause", 3, 4, 3}),
                         RowName);

// ---- Failures ----

using Setup = std::function<void(const std::string& wav, const std::string& mp3, clsFileIo&)>;

struct FailureCase {
    const char* name;
    Setup setup;         // after a short source is written
    const char* message; // "read", "write" or "encode": the file's message; else the text
    const char* reason;
    const char* outputAfter; // "absent" or the file's contents
};

class EncodeFailureTest : public EncodeFileTest,
                          public ::testing::WithParamInterface<FailureCase> {};

std::string Describe(const std::string& path) {
    if (fs::is_directory(path)) {
        return "folder";
    }
    if (!fs::exists(path)) {
        return "absent";
    }
    const Bytes bytes = testing::ReadAllBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::string CannotRead(const std::string& path, const std::string& reason) {
    return "The file cannot be read:\n" + path + "\n" + reason;
}

TEST_P(EncodeFailureTest, SaysWhyRemovesNothingOfOthersAndReturns) {
    const FailureCase& c = GetParam();
    const std::string wav = dir.File("song.wav");
    const std::string mp3 = dir.File("song.mp3");
    testing::WriteWav(wav, WavSpec{.frames = 4410});
    clsFileIo holder;
    c.setup(wav, mp3, holder);
    const std::string sourceBefore = Describe(wav);

    form.EncodeFile(wav);

    const std::string kind = c.message;
    EXPECT_EQ(OnlyMessage(),
              kind == "read"     ? CannotRead(wav, c.reason)
              : kind == "write"  ? "The MP3 file cannot be written:\n" + mp3 + "\n" + c.reason
              : kind == "encode" ? "The file cannot be encoded:\n" + wav + "\n" + c.reason
                                 : kind);
    EXPECT_EQ(Describe(mp3), c.outputAfter);
    EXPECT_EQ(Describe(wav), sourceBefore);
    EXPECT_EQ(platform.DoEventsCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EncodeFailureTest,
    ::testing::Values(
        FailureCase{"missing_source", [](auto& wav, auto&, auto&) { fs::remove(wav); }, "read",
                    "No such file or directory.", "absent"},
        FailureCase{"source_is_a_folder",
                    [](auto& wav, auto&, auto&) {
                        fs::remove(wav);
                        fs::create_directory(wav);
                    },
                    "read", "Is a directory.", "absent"},
        FailureCase{"source_held_by_a_writer",
                    [](auto& wav, auto&, auto& holder) { ASSERT_TRUE(holder.OpenFile(wav)); },
                    "read", "It is in use.", "absent"},
        FailureCase{"source_24_bit",
                    [](auto& wav, auto&, auto&) {
                        testing::WriteWav(wav, WavSpec{.bitsPerSample = 24, .frames = 100});
                    },
                    "encode", "Its samples are not 8 or 16 bits wide.", "absent"},
        FailureCase{"encoder_refuses_the_rate",
                    [](auto& wav, auto&, auto&) {
                        testing::WriteWav(wav, WavSpec{.sampleRate = 22050, .frames = 100});
                    },
                    "Invalid format parameters", "", "absent"},
        FailureCase{"output_read_only",
                    [](auto&, auto& mp3, auto&) {
                        testing::WriteBytes(mp3, {});
                        ::chmod(mp3.c_str(), 0444);
                    },
                    "write", "Permission denied.", ""},
        FailureCase{"output_held_elsewhere",
                    [](auto&, auto& mp3, auto& holder) { ASSERT_TRUE(holder.OpenFile(mp3)); },
                    "write", "It is in use.", ""},
        FailureCase{"output_with_contents",
                    [](auto&, auto& mp3, auto&) {
                        testing::WriteBytes(mp3, {'k', 'e', 'e', 'p'});
                    },
                    "write", "File exists.", "keep"}),
    RowName);

TEST_F(EncodeFileTest, ASourceThatEndsEarlyStopsTheRunAndRemovesTheOutput) {
    const std::string wav = ListedWav("song.wav", 10);
    platform.AtDoEvents(2, [&] { fs::resize_file(wav, 100000); });
    form.EncodeFile(wav);
    EXPECT_EQ(OnlyMessage(), CannotRead(wav, "It ended before the end of its sound data."));
    EXPECT_FALSE(platform::FileExists(Mp3Of(wav)));

    // Everything was let go: the next run encodes normally.
    testing::WriteWav(wav, WavSpec{.frames = 4410});
    form.EncodeFile(wav);
    EXPECT_EQ(platform.Messages().size(), 1U);
    EXPECT_TRUE(Frames(Mp3Of(wav)).has_value());
}

} // namespace
} // namespace tarn
