// One encoding run at a time, called straight from the test: WAV files as other programs write
// them, with the options chosen on the window, judged by their frames and by mpg123.
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

namespace fs = std::filesystem;
using testing::Bytes;
using testing::DecodedSound;
using testing::WavSpec;

// The encoder's start-up delay and its last, padded frames: a decoded file is longer than its
// source by at most this many frames.
constexpr std::size_t kMaxExtraFrames = 3 * 1152;
constexpr std::int64_t kSourceFrames = 22050;

class EncodeFileTest : public testing::JobFixture {
protected:
    void Select(forms::ComboBox& box, const std::string& text) {
        const auto& items = box.Items();
        box.SetListIndex(
            static_cast<int>(std::find(items.begin(), items.end(), text) - items.begin()));
    }
    std::optional<std::vector<testing::Mp3Frame>> Frames(const std::string& mp3) const {
        return testing::ParseMp3Frames(testing::ReadAllBytes(mp3));
    }
};

void ExpectDuration(const DecodedSound& sound, std::int64_t sourceFrames) {
    EXPECT_GE(sound.Frames(), static_cast<std::size_t>(sourceFrames));
    EXPECT_LE(sound.Frames(), static_cast<std::size_t>(sourceFrames) + kMaxExtraFrames);
}

Bytes Canonical(WavSpec shape) {
    shape.frames = kSourceFrames;
    return testing::MakeWav(shape);
}

const WavSpec kCd{.sampleRate = 44100, .bitsPerSample = 16, .channels = 2};
const WavSpec kCdMono{.sampleRate = 44100, .bitsPerSample = 16, .channels = 1};
const WavSpec kDat8{.sampleRate = 48000, .bitsPerSample = 8, .channels = 2};
const WavSpec kSix{.sampleRate = 44100, .bitsPerSample = 16, .channels = 6};

struct EncodeCase {
    const char* name;
    WavSpec source; // rate and channels of the sound in the file
    const char* bitrate;
    const char* mode;
    // Each source channel c plays 440 × (c + 1) Hz at half scale; shares[out][c] is the part of
    // source channel c in output channel out.
    std::vector<std::vector<double>> shares;
    std::array<int, 4> boxes;              // CRC, private, copyright, original
    std::function<Bytes()> file = nullptr; // none: the canonical file of `source`
    std::int64_t frames = kSourceFrames;
};

class EncodeSourceTest : public EncodeFileTest, public ::testing::WithParamInterface<EncodeCase> {};

TEST_P(EncodeSourceTest, EveryFrameAndTheDecodedSoundAreAsChosen) {
    const EncodeCase& c = GetParam();
    // Straight to the run: the header probe of the file list reads fixed offsets and would
    // refuse some of these files before they got here.
    const std::string wav = dir.File("source.wav");
    testing::WriteBytes(wav, c.file ? c.file() : Canonical(c.source));
    Select(form.cmbBitrate, c.bitrate);
    Select(form.cmbMode, c.mode);
    forms::CheckBox* boxes[] = {&form.chkCRC, &form.chkPrivateBit, &form.chkCopyrightBit,
                                &form.chkOriginalBit};
    for (std::size_t i = 0; i < 4; ++i) {
        boxes[i]->SetValue(c.boxes[i]);
    }
    form.EncodeFile(wav);
    EXPECT_TRUE(platform.Messages().empty());

    const bool stereo = std::string(c.mode) == "Stereo";
    const auto frames = Frames(dir.File("source.mp3"));
    ASSERT_TRUE(frames.has_value()) << "the output is not a clean run of MP3 frames";
    ASSERT_FALSE(frames->empty());
    for (const testing::Mp3Frame& frame : *frames) {
        ASSERT_EQ(frame.bitrateKbps, std::stoi(c.bitrate));
        ASSERT_EQ(frame.sampleRate, c.source.sampleRate);
        ASSERT_EQ(frame.mode, stereo ? 1 : 3);
        // A grayed box counts as unchecked; the last box clears the original bit.
        ASSERT_EQ(frame.crc, c.boxes[0] == 1);
        ASSERT_EQ(frame.privateBit, c.boxes[1] == 1);
        ASSERT_EQ(frame.copyright, c.boxes[2] == 1);
        ASSERT_EQ(frame.original, c.boxes[3] != 1);
    }
    if (c.frames == 0) {
        // Nothing to encode: at most the encoder's final frames.
        EXPECT_LE(frames->size() * 1152, kMaxExtraFrames);
        return;
    }
    const auto sound = testing::DecodeWithMpg123(dir.File("source.mp3"));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->channels, stereo ? 2 : 1);
    ExpectDuration(*sound, c.frames);
    for (std::size_t out = 0; out < c.shares.size(); ++out) {
        for (std::size_t in = 0; in < c.shares[out].size(); ++in) {
            const double want = 0.5 * c.shares[out][in];
            EXPECT_NEAR(testing::ToneLevel(*sound, static_cast<int>(out),
                                           440.0 * static_cast<double>(in + 1)),
                        want, 0.01 + want * 0.1)
                << "output channel " << out << ", tone of source channel " << in;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EncodeSourceTest,
    ::testing::Values(
        // Read from byte 44, this file's channels would come out swapped.
        EncodeCase{"ffmpeg_list_before_data_320_stereo_all_boxes",
                   kCd,
                   "320",
                   "Stereo",
                   {{1, 0}, {0, 1}},
                   {1, 1, 1, 1},
                   [] {
                       const Bytes canonical = Canonical(kCd);
                       return testing::Riff(
                           {{"fmt ", testing::Fmt(2, 44100, 16)},
                            {"LIST", testing::FfmpegList()},
                            {"data", Bytes(canonical.begin() + 44, canonical.end())}});
                   }},
        EncodeCase{
            "eight_bit_48000_160_stereo", kDat8, "160", "Stereo", {{1, 0}, {0, 1}}, {1, 0, 0, 1}},
        // Front left, front right, centre, low frequency, back left, back right.
        EncodeCase{"six_channels_96_mono",
                   kSix,
                   "96",
                   "Mono",
                   {{0.207, 0.207, 0.293, 0.0, 0.146, 0.146}},
                   {1, 1, 1, 1}},
        EncodeCase{"odd_data_length_and_trailing_list_64_mono",
                   kCdMono,
                   "64",
                   "Mono",
                   {{1}},
                   {0, 0, 1, 0},
                   [] {
                       Bytes data = testing::SoundData({.channels = 1, .frames = kSourceFrames});
                       data.push_back(0x80);
                       return testing::Riff({{"fmt ", testing::Fmt(1, 44100, 16)},
                                             {"data", data},
                                             {"LIST", testing::FfmpegList()}});
                   }},
        EncodeCase{"data_claims_more_than_the_file_32_mono_grayed_boxes",
                   kCd,
                   "32",
                   "Mono",
                   {{0.5, 0.5}},
                   {2, 2, 2, 2},
                   [] {
                       return testing::Riff({{"fmt ", testing::Fmt(2, 44100, 16)},
                                             {"data", testing::SoundData({.frames = kSourceFrames}),
                                              100 * kSourceFrames * 4}});
                   }},
        EncodeCase{"header_only_44_bytes",
                   kCd,
                   "128",
                   "Stereo",
                   {},
                   {0, 0, 0, 0},
                   [] { return testing::MakeWav(WavSpec{.frames = 0}); },
                   0}),
    testing::RowName);

// Each item of the quality list gives the encoder its preset; no item selected keeps the last.
TEST_F(EncodeFileTest, EveryQualityItemGivesItsPresetAndTheRecordItsFields) {
    const std::int32_t presets[] = {LQP_LOW_QUALITY,   LQP_NORMAL_QUALITY, LQP_HIGH_QUALITY,
                                    LQP_VOICE_QUALITY, LQP_PHONE,          LQP_RADIO,
                                    LQP_TAPE,          LQP_HIFI,           LQP_CD,
                                    LQP_STUDIO};
    ASSERT_EQ(form.cmbQuality.ListCount(), 10);
    testing::WriteWav(dir.File("a.wav"), {.sampleRate = 48000, .frames = 1152});
    for (int index = 0; index < 10; ++index) {
        form.cmbQuality.SetListIndex(index);
        fs::remove(dir.File("a.mp3"));
        form.EncodeFile(dir.File("a.wav"));
        EXPECT_EQ(form.EncoderConfig.format.LHV1.nPreset, presets[index]) << index;
    }
    form.cmbQuality.SetListIndex(-1);
    fs::remove(dir.File("a.mp3"));
    form.EncodeFile(dir.File("a.wav"));
    const BE_CONFIG_LHV1& record = form.EncoderConfig.format.LHV1;
    EXPECT_EQ(record.nPreset, LQP_STUDIO);
    EXPECT_EQ(form.EncoderConfig.dwConfig, BE_CONFIG_LAME);
    EXPECT_EQ(record.dwStructVersion, 1U);
    EXPECT_EQ(record.dwStructSize, 331U);
    EXPECT_EQ(record.dwSampleRate, 48000U);
    EXPECT_EQ(record.dwBitrate, 128U);
    EXPECT_EQ(record.nMode, BE_MP3_MODE_JSTEREO);
    EXPECT_EQ(record.dwMpegVersion, MPEG1);
    EXPECT_EQ(record.bOriginal, BE_TRUE);
    EXPECT_EQ(record.nVbrMethod, VBR_METHOD_NONE);
    EXPECT_TRUE(platform.Messages().empty());
}

// The run writes the entry's own MP3 path, processes events twice after every chunk, and stops
// after the chunk during which Abort was asked for, its output a complete, shorter MP3 file.
TEST_F(EncodeFileTest, WritesTheEntrysPathPacesItselfAndStopsAfterAnAbort) {
    const std::string wav = Listed("My Song.wav", 10);
    form.Mp3Paths[1] = dir.File("Chosen.mp3");
    std::vector<std::int64_t> lengthsSeen;
    for (int call = 1; call <= 60; call += 2) {
        platform.AtDoEvents(call,
                            [&] { lengthsSeen.push_back(testing::Length(form.Mp3Paths[1])); });
    }
    form.EncodeFile(wav);
    EXPECT_FALSE(platform::FileExists(dir.File("MySong.mp3")));
    const std::int64_t framesPerChunk = form.ChunkSamples / 2;
    const std::int64_t chunks = (441000 + framesPerChunk - 1) / framesPerChunk;
    EXPECT_EQ(platform.DoEventsCalls(), 2 * chunks);
    // The length on disk follows the encoding while it runs.
    EXPECT_GT(lengthsSeen.front(), 0);
    EXPECT_TRUE(std::is_sorted(lengthsSeen.begin(), lengthsSeen.end()));
    EXPECT_LT(lengthsSeen.back(), testing::Length(dir.File("Chosen.mp3")));

    // Asked for before the run, an abort lets one chunk through; asked for in the second
    // pause, three.
    for (const auto& [atDoEvents, calls, chunksThrough] : {std::tuple{0, 0, 1}, {3, 4, 3}}) {
        fs::remove(dir.File("Chosen.mp3"));
        const int before = platform.DoEventsCalls();
        form.AbortRequested = atDoEvents == 0;
        if (atDoEvents != 0) {
            platform.AtDoEvents(atDoEvents, [&] { form.AbortRequested = true; });
        }
        form.EncodeFile(wav);
        EXPECT_EQ(platform.DoEventsCalls() - before, calls);
        ASSERT_TRUE(Frames(dir.File("Chosen.mp3")).has_value()) << "whole frames only";
        const auto sound = testing::DecodeWithMpg123(dir.File("Chosen.mp3"));
        ASSERT_TRUE(sound.has_value());
        ExpectDuration(*sound, chunksThrough * framesPerChunk);
    }
    EXPECT_TRUE(platform.Messages().empty());
}

struct FailureCase {
    const char* name;
    std::function<void(const std::string& wav, const std::string& mp3, clsFileIo&)> setup;
    const char* message; // "read", "write" or "encode": the file's message; else the text
    const char* reason;
    const char* outputAfter; // "absent" or the file's contents
};

class EncodeFailureTest : public EncodeFileTest,
                          public ::testing::WithParamInterface<FailureCase> {};

std::string Describe(const std::string& path) {
    if (!fs::is_regular_file(path)) {
        return fs::exists(path) ? "folder" : "absent";
    }
    return testing::Contents(path);
}

// A failed run says why in one box titled "Critical error...", leaves the source as it was,
// removes only an output of its own, and returns without processing events.
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
    EXPECT_EQ(testing::Seen(platform),
              testing::Names{std::string("Critical error...: ") +
                             (kind == "read"     ? "The file cannot be read:\n" + wav + "\n"
                              : kind == "write"  ? "The MP3 file cannot be written:\n" + mp3 + "\n"
                              : kind == "encode" ? "The file cannot be encoded:\n" + wav + "\n"
                                                 : kind) +
                             c.reason});
    EXPECT_EQ(platform.Messages().front().Icon, platform::MessageIcon::Critical);
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
    testing::RowName);

TEST_F(EncodeFileTest, ASourceThatEndsEarlyStopsTheRunAndRemovesTheOutput) {
    const std::string wav = Listed("song.wav", 10);
    platform.AtDoEvents(2, [&] { fs::resize_file(wav, 100000); });
    form.EncodeFile(wav);
    EXPECT_EQ(testing::Seen(platform),
              testing::Names{"Critical error...: The file cannot be read:\n" + wav +
                             "\nIt ended before the end of its sound data."});
    EXPECT_FALSE(platform::FileExists(dir.File("song.mp3")));
    // Everything was let go: the next run encodes normally.
    testing::WriteWav(wav, WavSpec{.frames = 4410});
    form.EncodeFile(wav);
    EXPECT_EQ(platform.Messages().size(), 1U);
    EXPECT_TRUE(Frames(dir.File("song.mp3")).has_value());
}

} // namespace
} // namespace tarn
