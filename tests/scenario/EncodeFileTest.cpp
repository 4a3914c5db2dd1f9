#include "encoding/clsFileIo.h"
#include "encoding/modLAME.h"
#include "platform/FileOps.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"
#include "support/Mp3Inspect.h"
#include "support/TableRows.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "support/WavWriter.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;

namespace fs = std::filesystem;
using testing::DecodedSound;
using testing::Mp3Frame;
using testing::TempDir;
using testing::TestPlatform;
using testing::WavSpec;

constexpr const char* kErrorTitle = "Critical error...";
// The encoder's start-up delay and its last, padded frames: a decoded file is longer than its
// source by at most this many frames.
constexpr std::size_t kMaxExtraFrames = 3 * 1152;

using Bytes = std::vector<std::uint8_t>;

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Inserts a chunk into a canonical file at `at` (12: before "fmt ", 36: before "data").
Bytes WithChunk(Bytes file, std::size_t at, const char* id, const Bytes& body) {
    Bytes chunk(id, id + 4);
    chunk.resize(8);
    PutLe32(chunk, 4, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        chunk.push_back(0);
    }
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
    PutLe32(file, 4, static_cast<std::uint32_t>(file.size() - 8));
    return file;
}

// The INFO list that ffmpeg writes between "fmt " and "data".
Bytes FfmpegList() {
    const std::string text("INFOISFT\x0e\0\0\0Lavf59.27.100\0", 26);
    return {text.begin(), text.end()};
}

bool NeedDecoders(bool withLame = false) {
    return testing::HaveProgram("mpg123") && (!withLame || testing::HaveProgram("lame"));
}

class EncodeFileTest : public ::testing::Test {
protected:
    void SetUp() override { form.Form_Load(); }

    void Select(forms::ComboBox& box, const std::string& text) {
        const auto& items = box.Items();
        const auto found = std::find(items.begin(), items.end(), text);
        ASSERT_NE(found, items.end()) << text;
        box.SetListIndex(static_cast<int>(found - items.begin()));
    }

    // Writes the WAV file, lists it as the add button does and returns its path on disk.
    std::string ListedWav(const std::string& name, const WavSpec& spec) {
        testing::WriteWav(dir.File(name), spec);
        return Listed(name);
    }
    std::string Listed(const std::string& name) {
        form.AddChosenFile(dir.File(name));
        EXPECT_TRUE(platform.Messages().empty());
        return form.FilePaths[static_cast<std::size_t>(form.FileCount)];
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

    TempDir dir;
    TestPlatform platform;
    frmMain form{platform.Bundle()};
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
    if (sourceChannels == outChannels) {
        return outChannels == 1 ? std::vector<std::vector<double>>{{1.0}}
                                : std::vector<std::vector<double>>{{1.0, 0.0}, {0.0, 1.0}};
    }
    if (sourceChannels == 1) {
        return {{1.0}, {1.0}};
    }
    if (sourceChannels == 2) {
        return {{0.5, 0.5}};
    }
    // Six channels, no mask: front left, front right, centre, low frequency, back left, back
    // right. Each side takes its front at 0.414, centre and its back at 0.293.
    const std::vector<std::vector<double>> stereo{{0.414, 0.0, 0.293, 0.0, 0.293, 0.0},
                                                  {0.0, 0.414, 0.293, 0.0, 0.0, 0.293}};
    if (outChannels == 2) {
        return stereo;
    }
    std::vector<std::vector<double>> mono(1, std::vector<double>(6));
    for (std::size_t c = 0; c < 6; ++c) {
        mono[0][c] = (stereo[0][c] + stereo[1][c]) / 2.0;
    }
    return mono;
}

void ExpectDuration(const DecodedSound& sound, std::int64_t sourceFrames) {
    EXPECT_GE(sound.Frames(), static_cast<std::size_t>(sourceFrames));
    EXPECT_LE(sound.Frames(), static_cast<std::size_t>(sourceFrames) + kMaxExtraFrames);
}

// ---- Options: the record, every frame header, and the decoded sound ----

struct OptionCase {
    const char* name;
    WavSpec source;
    const char* bitrate;
    const char* mode;
    int quality;
    int crc;
    int privateBit;
    int copyright;
    int original;
    std::int32_t preset;
};

class EncodeOptionsTest : public EncodeFileTest,
                          public ::testing::WithParamInterface<OptionCase> {};

TEST_P(EncodeOptionsTest, EncodesWithTheChosenOptions) {
    if (!NeedDecoders()) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    const OptionCase& c = GetParam();
    WavSpec spec = c.source;
    spec.frames = spec.sampleRate; // one second
    const std::string wav = ListedWav("source.wav", spec);
    Select(form.cmbBitrate, c.bitrate);
    Select(form.cmbMode, c.mode);
    form.cmbQuality.SetListIndex(c.quality);
    form.chkCRC.SetValue(c.crc);
    form.chkPrivateBit.SetValue(c.privateBit);
    form.chkCopyrightBit.SetValue(c.copyright);
    form.chkOriginalBit.SetValue(c.original);

    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());

    const bool stereo = std::string(c.mode) == "Stereo";
    const auto bitrate = static_cast<std::uint32_t>(std::stoi(c.bitrate));
    // The whole record, byte for byte: what the run writes, and 0 in every field it never writes.
    BE_CONFIG expected{};
    expected.dwConfig = BE_CONFIG_LAME;
    expected.format.LHV1 = {.dwStructVersion = 1,
                            .dwStructSize = 331,
                            .dwSampleRate = static_cast<std::uint32_t>(spec.sampleRate),
                            .nMode = stereo ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_MONO,
                            .dwBitrate = bitrate,
                            .nPreset = c.preset,
                            .dwMpegVersion = MPEG1,
                            .bPrivate = c.privateBit == 1 ? -1 : 0,
                            .bCRC = c.crc == 1 ? -1 : 0,
                            .bCopyright = c.copyright == 1 ? -1 : 0,
                            .bOriginal = c.original == 1 ? 0 : -1,
                            .nVbrMethod = VBR_METHOD_NONE};
    EXPECT_EQ(std::memcmp(&form.EncoderConfig, &expected, sizeof(BE_CONFIG)), 0);

    const std::optional<std::vector<Mp3Frame>> frames = Frames(Mp3Of(wav));
    ASSERT_TRUE(frames.has_value()) << "the output is not a clean run of MP3 frames";
    ASSERT_FALSE(frames->empty());
    for (const Mp3Frame& frame : *frames) {
        ASSERT_EQ(frame.version, 1);
        ASSERT_EQ(frame.layer, 3);
        ASSERT_EQ(frame.sampleRate, spec.sampleRate);
        ASSERT_EQ(frame.bitrateKbps, static_cast<int>(bitrate));
        ASSERT_EQ(frame.mode, stereo ? 1 : 3);
        ASSERT_EQ(frame.crc, c.crc == 1);
        ASSERT_EQ(frame.privateBit, c.privateBit == 1);
        ASSERT_EQ(frame.copyright, c.copyright == 1);
        // The box clears the original bit.
        ASSERT_EQ(frame.original, c.original != 1);
        ASSERT_EQ(frame.emphasis, 0);
    }

    const std::optional<DecodedSound> sound = testing::DecodeWithMpg123(Mp3Of(wav));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->sampleRate, spec.sampleRate);
    EXPECT_EQ(sound->channels, stereo ? 2 : 1);
    ExpectDuration(*sound, spec.frames);
    ExpectTones(*sound, ChannelShares(spec.channels, stereo ? 2 : 1));
}

const WavSpec kCd{.sampleRate = 44100, .bitsPerSample = 16, .channels = 2};
const WavSpec kCdMono{.sampleRate = 44100, .bitsPerSample = 16, .channels = 1};
const WavSpec kDat8{.sampleRate = 48000, .bitsPerSample = 8, .channels = 2};
const WavSpec kDatMono{.sampleRate = 48000, .bitsPerSample = 16, .channels = 1};
const WavSpec kMono8{.sampleRate = 44100, .bitsPerSample = 8, .channels = 1};
const WavSpec kSix{.sampleRate = 44100, .bitsPerSample = 16, .channels = 6};

INSTANTIATE_TEST_SUITE_P(
    Options, EncodeOptionsTest,
    ::testing::Values(
        OptionCase{"cd_128_stereo_normal", kCd, "128", "Stereo", 1, 0, 0, 0, 0, LQP_NORMAL_QUALITY},
        OptionCase{"cd_320_stereo_high_all_boxes", kCd, "320", "Stereo", 2, 1, 1, 1, 1,
                   LQP_HIGH_QUALITY},
        OptionCase{"cd_32_mono_low_grayed_boxes", kCd, "32", "Mono", 0, 2, 2, 2, 2,
                   LQP_LOW_QUALITY},
        OptionCase{"cd_64_mono_studio_crc", kCd, "64", "Mono", 9, 1, 0, 0, 0, LQP_STUDIO},
        OptionCase{"mono_40_stereo_voice_private", kCdMono, "40", "Stereo", 3, 0, 1, 0, 0,
                   LQP_VOICE_QUALITY},
        OptionCase{"cd_48_stereo_phone_copyright", kCd, "48", "Stereo", 4, 0, 0, 1, 0, LQP_PHONE},
        OptionCase{"dat8_160_stereo_cd", kDat8, "160", "Stereo", 8, 1, 0, 0, 1, LQP_CD},
        OptionCase{"dat8_112_mono_normal", kDat8, "112", "Mono", 1, 0, 0, 0, 0, LQP_NORMAL_QUALITY},
        OptionCase{"dat_mono_56_mono_radio", kDatMono, "56", "Mono", 5, 0, 1, 1, 0, LQP_RADIO},
        OptionCase{"mono8_256_stereo_hifi", kMono8, "256", "Stereo", 7, 1, 1, 0, 0, LQP_HIFI},
        OptionCase{"six_192_stereo_tape", kSix, "192", "Stereo", 6, 0, 0, 0, 1, LQP_TAPE},
        OptionCase{"dat_80_stereo_low",
                   {.sampleRate = 48000},
                   "80",
                   "Stereo",
                   0,
                   0,
                   0,
                   0,
                   0,
                   LQP_LOW_QUALITY},
        OptionCase{"cd_224_mono_hifi_original", kCd, "224", "Mono", 7, 0, 0, 0, 1, LQP_HIFI},
        OptionCase{"six_96_mono_normal", kSix, "96", "Mono", 1, 1, 1, 1, 1, LQP_NORMAL_QUALITY}),
    RowName);

TEST_F(EncodeFileTest, NoQualitySelectedKeepsThePresetOfThePreviousRun) {
    const std::string wav = ListedWav("short.wav", WavSpec{.frames = 4410});
    form.cmbQuality.SetListIndex(9);
    form.EncodeFile(wav);
    EXPECT_EQ(form.EncoderConfig.format.LHV1.nPreset, LQP_STUDIO);
    form.cmbQuality.SetListIndex(-1);
    fs::remove(Mp3Of(wav));
    form.EncodeFile(wav);
    EXPECT_EQ(form.EncoderConfig.format.LHV1.nPreset, LQP_STUDIO);
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_TRUE(Frames(Mp3Of(wav)).has_value());
}

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
    WavSpec spec = c.source;
    spec.frames = spec.sampleRate * 3 / 2;
    const std::string wav = ListedWav("source.wav", spec);
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
                                std::to_string(spec.sampleRate / 1000.0) + " " +
                                testing::ShellQuote(wav) + " " + testing::ShellQuote(reference);
    ASSERT_EQ(testing::RunCommand(command), 0) << command;
    const Bytes ours = testing::ReadAllBytes(Mp3Of(wav));
    ASSERT_FALSE(ours.empty());
    EXPECT_TRUE(ours == testing::ReadAllBytes(reference)) << command;
}

INSTANTIATE_TEST_SUITE_P(
    Encodes, SameAsLameTest,
    ::testing::Values(SameAsLameCase{"cd_128_joint", kCd, "128", "Stereo"},
                      SameAsLameCase{"cd_32_joint", kCd, "32", "Stereo"},
                      SameAsLameCase{"dat_64_joint", {.sampleRate = 48000}, "64", "Stereo"},
                      SameAsLameCase{"cd_mono_320", kCdMono, "320", "Mono"},
                      SameAsLameCase{"dat_mono_80", kDatMono, "80", "Mono"},
                      SameAsLameCase{"dat8_192_joint", kDat8, "192", "Stereo"}),
    RowName);

// ---- WAV files as other programs write them ----

struct VariantCase {
    const char* name;
    std::function<Bytes()> file;
    int sampleRate;
    int channels;
    std::int64_t frames; // of sound in the file
};

class WavVariantTest : public EncodeFileTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(WavVariantTest, DecodesToTheSourcesSound) {
    if (!NeedDecoders()) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    const VariantCase& c = GetParam();
    // Straight to the run: the header probe of the file list reads fixed offsets and would
    // refuse some of these files before they got here.
    const std::string wav = dir.File("variant.wav");
    testing::WriteBytes(wav, c.file());
    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());

    const std::optional<std::vector<Mp3Frame>> frames = Frames(Mp3Of(wav));
    ASSERT_TRUE(frames.has_value());
    if (c.frames == 0) {
        EXPECT_TRUE(platform::FileExists(Mp3Of(wav)));
        // Nothing to encode: at most the encoder's final frames, all silent.
        EXPECT_LE(frames->size() * 1152, kMaxExtraFrames);
        return;
    }
    const std::optional<DecodedSound> sound = testing::DecodeWithMpg123(Mp3Of(wav));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->sampleRate, c.sampleRate);
    EXPECT_EQ(sound->channels, 2);
    ExpectDuration(*sound, c.frames);
    ExpectTones(*sound, ChannelShares(c.channels, 2));
}

constexpr std::int64_t kVariantFrames = 22050;

Bytes Canonical(WavSpec spec) {
    spec.frames = kVariantFrames;
    return testing::MakeWav(spec);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavVariantTest,
    ::testing::Values(
        // Read from byte 44, this file's channels would come out swapped.
        VariantCase{"ffmpeg_list_before_data",
                    [] { return WithChunk(Canonical(kCd), 36, "LIST", FfmpegList()); }, 44100, 2,
                    kVariantFrames},
        VariantCase{"odd_junk_before_fmt",
                    [] { return WithChunk(Canonical(kCd), 12, "JUNK", Bytes(27, 0x55)); }, 44100, 2,
                    kVariantFrames},
        VariantCase{"eight_bit", [] { return Canonical(kDat8); }, 48000, 2, kVariantFrames},
        VariantCase{"rate_48000", [] { return Canonical({.sampleRate = 48000}); }, 48000, 2,
                    kVariantFrames},
        VariantCase{"mono", [] { return Canonical(kCdMono); }, 44100, 1, kVariantFrames},
        VariantCase{"six_channels", [] { return Canonical(kSix); }, 44100, 6, kVariantFrames},
        VariantCase{"odd_data_length_and_trailing_list",
                    [] {
                        WavSpec spec = kCdMono;
                        spec.oddDataByte = true;
                        const Bytes list = FfmpegList();
                        spec.trailer = Bytes{'L', 'I', 'S', 'T', 26, 0, 0, 0};
                        spec.trailer.insert(spec.trailer.end(), list.begin(), list.end());
                        return Canonical(spec);
                    },
                    44100, 1, kVariantFrames},
        VariantCase{"data_claims_more_than_the_file",
                    [] {
                        WavSpec spec = kCd;
                        spec.claimedDataSize = 100 * kVariantFrames * 4;
                        return Canonical(spec);
                    },
                    44100, 2, kVariantFrames},
        VariantCase{"not_riff",
                    [] {
                        Bytes file = Canonical(kCd);
                        file[3] = 'X';
                        return file;
                    },
                    44100, 2, kVariantFrames},
        VariantCase{"header_only_44_bytes", [] { return testing::MakeWav(WavSpec{.frames = 0}); },
                    44100, 2, 0},
        VariantCase{"shorter_than_a_header",
                    [] {
                        Bytes file = testing::MakeWav(WavSpec{.frames = 0});
                        file.resize(40);
                        return file;
                    },
                    44100, 2, 0}),
    RowName);

// ---- Output path ----

TEST_F(EncodeFileTest, WritesToTheEntrysMp3Path) {
    const std::string wav = ListedWav("My Song.wav", WavSpec{.frames = 4410});
    ASSERT_EQ(wav, dir.File("MySong.wav"));
    form.Mp3Paths[1] = dir.File("Chosen.mp3");
    form.EncodeFile(wav);
    EXPECT_TRUE(Frames(dir.File("Chosen.mp3")).has_value());
    EXPECT_FALSE(platform::FileExists(dir.File("MySong.mp3")));
}

TEST_F(EncodeFileTest, AnUnlistedFileGoesBesideItWithItsExtensionReplaced) {
    testing::WriteWav(dir.File("take.two.wav"), WavSpec{.frames = 4410});
    form.EncodeFile(dir.File("take.two.wav"));
    EXPECT_TRUE(Frames(dir.File("take.two.mp3")).has_value());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"take.two.mp3", "take.two.wav"}));
}

// ---- Pacing and abort ----

class EncodePacingTest : public EncodeFileTest {
protected:
    void SetUp() override {
        EncodeFileTest::SetUp();
        wav = ListedWav("long.wav", WavSpec{.frames = kFrames});
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

TEST_F(EncodePacingTest, AbortDuringEventsEndsAfterTheNextChunkWithACompleteShorterFile) {
    if (!NeedDecoders()) {
        GTEST_SKIP() << "mpg123 is not installed (scripts/install-deps.sh installs it)";
    }
    // Set in the second chunk's pause: the third chunk is still encoded and written.
    platform.AtDoEvents(3, [&] { form.AbortRequested = true; });
    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(platform.DoEventsCalls(), 4);
    const std::optional<std::vector<Mp3Frame>> frames = Frames(Mp3Of(wav));
    ASSERT_TRUE(frames.has_value()) << "the output must end with whole frames";
    const std::optional<DecodedSound> sound = testing::DecodeWithMpg123(Mp3Of(wav));
    ASSERT_TRUE(sound.has_value());
    ExpectDuration(*sound, 3 * FramesPerChunk());
    ExpectTones(*sound, ChannelShares(2, 2));
}

TEST_F(EncodePacingTest, AnAbortAlreadyRequestedStillLetsTheFirstChunkThrough) {
    form.AbortRequested = true;
    form.EncodeFile(wav);
    EXPECT_EQ(platform.DoEventsCalls(), 0);
    const std::optional<std::vector<Mp3Frame>> frames = Frames(Mp3Of(wav));
    ASSERT_TRUE(frames.has_value());
    EXPECT_GE(frames->size() * 1152, static_cast<std::size_t>(FramesPerChunk()));
    EXPECT_LE(frames->size() * 1152, static_cast<std::size_t>(FramesPerChunk()) + kMaxExtraFrames);
}

// ---- Failures ----

enum class Before {
    Nothing,
    SourceFolder,
    SourceHeld,
    Source24Bit,
    SourceFloat,
    Source22050,
    OutputFolder,
    OutputReadOnly,
    OutputHeld,
    OutputWithContents
};

struct FailureCase {
    const char* name;
    Before setup;
    const char* message; // "read", "write" or "encode": the file's message; else the text
    const char* reason;
    const char* outputAfter; // "absent", "folder", or the file's contents
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
std::string CannotWrite(const std::string& path, const std::string& reason) {
    return "The MP3 file cannot be written:\n" + path + "\n" + reason;
}

TEST_P(EncodeFailureTest, SaysWhyRemovesNothingOfOthersAndReturns) {
    const FailureCase& c = GetParam();
    const std::string wav = dir.File("song.wav");
    const std::string mp3 = dir.File("song.mp3");
    const Before setup = c.setup;
    if (setup >= Before::SourceHeld && setup != Before::Source24Bit &&
        setup != Before::Source22050) {
        testing::WriteWav(wav, WavSpec{.frames = 4410});
    }
    clsFileIo holder;
    switch (setup) {
    case Before::SourceFolder:
        fs::create_directory(wav);
        break;
    case Before::SourceHeld:
        ASSERT_TRUE(holder.OpenFile(wav));
        break;
    case Before::Source24Bit:
        testing::WriteWav(wav, WavSpec{.bitsPerSample = 24, .frames = 100});
        break;
    case Before::SourceFloat: {
        Bytes file = testing::MakeWav(WavSpec{.frames = 100});
        file[20] = 3;
        testing::WriteBytes(wav, file);
        break;
    }
    case Before::Source22050:
        testing::WriteWav(wav, WavSpec{.sampleRate = 22050, .frames = 100});
        break;
    case Before::OutputFolder:
        fs::create_directory(mp3);
        break;
    case Before::OutputReadOnly:
        testing::WriteBytes(mp3, {});
        ::chmod(mp3.c_str(), 0444);
        break;
    case Before::OutputHeld:
        ASSERT_TRUE(holder.OpenFile(mp3));
        break;
    case Before::OutputWithContents:
        testing::WriteBytes(mp3, {'k', 'e', 'e', 'p'});
        break;
    case Before::Nothing:
        break;
    }
    const std::string sourceBefore = Describe(wav);

    form.EncodeFile(wav);

    const std::string kind = c.message;
    EXPECT_EQ(OnlyMessage(), kind == "read"    ? CannotRead(wav, c.reason)
                             : kind == "write" ? CannotWrite(mp3, c.reason)
                             : kind == "encode"
                                 ? "The file cannot be encoded:\n" + wav + "\n" + c.reason
                                 : kind);
    EXPECT_EQ(Describe(mp3), c.outputAfter);
    EXPECT_EQ(Describe(wav), sourceBefore);
    EXPECT_EQ(platform.DoEventsCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EncodeFailureTest,
    ::testing::Values(
        FailureCase{"missing_source", Before::Nothing, "read", "No such file or directory.",
                    "absent"},
        FailureCase{"source_is_a_folder", Before::SourceFolder, "read", "Is a directory.",
                    "absent"},
        FailureCase{"source_held_by_a_writer", Before::SourceHeld, "read", "It is in use.",
                    "absent"},
        FailureCase{"source_24_bit", Before::Source24Bit, "encode",
                    "Its samples are not 8 or 16 bits wide.", "absent"},
        FailureCase{"source_float", Before::SourceFloat, "encode", "Its samples are not PCM.",
                    "absent"},
        FailureCase{"encoder_refuses_the_rate", Before::Source22050, "Invalid format parameters",
                    "", "absent"},
        FailureCase{"output_is_a_folder", Before::OutputFolder, "write", "Is a directory.",
                    "folder"},
        FailureCase{"output_read_only", Before::OutputReadOnly, "write", "Permission denied.", ""},
        FailureCase{"output_held_elsewhere", Before::OutputHeld, "write", "It is in use.", ""},
        FailureCase{"output_with_contents", Before::OutputWithContents, "write", "File exists.",
                    "keep"}),
    RowName);

TEST_F(EncodeFileTest, ASourceThatEndsEarlyStopsTheRunAndRemovesTheOutput) {
    const std::string wav = ListedWav("song.wav", WavSpec{.frames = 441000});
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

TEST_F(EncodeFileTest, AWriteThatFailsRemovesTheOutput) {
    const std::string wav = ListedWav("song.wav", WavSpec{.frames = 441000});
    const std::string mp3 = Mp3Of(wav);
    // A file size limit makes write(2) fail part way, as a full disk does. The limit holds in
    // a child process only.
    const auto runAtTheLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { 20000, 20000 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        form.EncodeFile(wav);
        const bool ok = platform.Messages().size() == 1 &&
                        platform.Messages()[0].Text == CannotWrite(mp3, "File too large.") &&
                        platform.Messages()[0].Title == kErrorTitle && !platform::FileExists(mp3) &&
                        platform.DoEventsCalls() > 0;
        if (!ok) {
            std::fprintf(stderr, "messages: %zu, first: %s, output exists: %d\n",
                         platform.Messages().size(),
                         platform.Messages().empty() ? "" : platform.Messages()[0].Text.c_str(),
                         platform::FileExists(mp3) ? 1 : 0);
        }
        std::_Exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(runAtTheLimit(), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(platform::FileExists(mp3));
}

} // namespace
} // namespace tarn
