// One encoding run at a time on WAV files as other programs write them, judged by mpg123.
#include "encoding/modLAME.h"
#include "support/JobFixture.h"
#include "support/Mp3Inspect.h"
#include "support/TableRows.h"
#include "support/WavFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Fmt;
using testing::Names;
using testing::Riff;
using testing::WavSpec;

// A decoded file is longer than its source by at most the encoder's delay and padding.
constexpr std::size_t kMaxExtraFrames = std::size_t{3} * 1152;
constexpr std::int64_t kSourceFrames = 22050;

// The decoded sound; nothing unless the file is whole MP3 frames lasting `frames`, give or take.
std::optional<testing::DecodedSound> Decoded(const std::string& mp3, std::int64_t frames) {
    auto sound = testing::DecodeWithMpg123(mp3);
    const auto wanted = static_cast<std::size_t>(frames);
    if (!testing::ParseMp3Frames(testing::ReadAllBytes(mp3)) || !sound ||
        sound->Frames() < wanted || sound->Frames() > wanted + kMaxExtraFrames) {
        return std::nullopt;
    }
    return sound;
}

class EncodeFileTest : public testing::JobFixture {};

struct EncodeCase {
    const char* name;
    // Bit rate, mode and the boxes CRC, private, copyright, original (2: grayed), as chosen.
    const char* options;
    int rate; // of the sound in the file
    // Source channel c plays 440 × (c + 1) Hz at half scale; shares[out][c]: its part in out.
    std::vector<std::vector<double>> shares;
    Bytes file;
};

class EncodeSourceTest : public EncodeFileTest, public ::testing::WithParamInterface<EncodeCase> {};

TEST_P(EncodeSourceTest, EveryFrameAndTheDecodedSoundAreAsChosen) {
    const EncodeCase& c = GetParam();
    // Straight to the run: the list's header probe would refuse some of these files.
    testing::WriteBytes(dir.File("source.wav"), c.file);
    std::string bitrate, mode, boxes;
    std::istringstream(c.options) >> bitrate >> mode >> boxes;
    for (auto [list, text] : {std::pair{&form.cmbBitrate, bitrate}, {&form.cmbMode, mode}}) {
        const auto& items = list->Items();
        list->SetListIndex(
            static_cast<int>(std::find(items.begin(), items.end(), text) - items.begin()));
    }
    std::string checked;
    for (forms::CheckBox* box :
         {&form.chkCRC, &form.chkPrivateBit, &form.chkCopyrightBit, &form.chkOriginalBit}) {
        box->SetValue(boxes[checked.size()] - '0');
        checked += boxes[checked.size()] == '1' ? '1' : '0'; // a grayed box counts as unchecked
    }
    form.EncodeFile(dir.File("source.wav"));
    EXPECT_TRUE(platform.Messages().empty());

    const auto frames = testing::ParseMp3Frames(testing::ReadAllBytes(dir.File("source.mp3")));
    ASSERT_TRUE(frames.has_value()) << "the output is not a clean run of MP3 frames";
    const std::string chosen = bitrate + " " + std::to_string(c.rate) + " " + mode + " " + checked;
    for (const testing::Mp3Frame& frame : *frames) {
        // The last box clears the original bit.
        ASSERT_EQ(std::to_string(frame.bitrateKbps) + " " + std::to_string(frame.sampleRate) +
                      (frame.mode == 1   ? " Stereo "
                       : frame.mode == 3 ? " Mono "
                                         : " other ") +
                      char('0' + frame.crc) + char('0' + frame.privateBit) +
                      char('0' + frame.copyright) + char('0' + !frame.original),
                  chosen);
    }
    const auto sound = Decoded(dir.File("source.mp3"), kSourceFrames);
    ASSERT_TRUE(sound.has_value());
    for (std::size_t out = 0; out < c.shares.size(); ++out) {
        for (std::size_t in = 0; in < c.shares[out].size(); ++in) {
            const double want = 0.5 * c.shares[out][in];
            EXPECT_NEAR(testing::ToneLevel(*sound, static_cast<int>(out), 440.0 * double(in + 1)),
                        want, 0.01 + want * 0.1)
                << "output channel " << out << ", tone of source channel " << in;
        }
    }
}

std::vector<EncodeCase> Sources() {
    // Its data chunk claims more than the file holds, as from a writer that never finished.
    const Bytes eight =
        testing::SoundData({.sampleRate = 48000, .bitsPerSample = 8, .frames = kSourceFrames});
    const Bytes cut = Riff({{"fmt ", Fmt(2, 48000, 8)}, {"data", eight, 100 * kSourceFrames * 2}});
    // 5.1 read from byte 44 would come out shifted; its odd last byte carries no sample.
    Bytes six = testing::SoundData({.channels = 6, .frames = kSourceFrames});
    six.push_back(0x80);
    const Bytes list = testing::FfmpegList();
    six = Riff({{"fmt ", Fmt(6, 44100, 16)}, {"LIST", list}, {"data", six}, {"LIST", list}});
    const std::vector<double> mono{0.207, 0.207, 0.293, 0.0, 0.146, 0.146};
    return {{"eight_bit_48000_cut_short", "160 Stereo 1001", 48000, {{1, 0}, {0, 1}}, cut},
            {"six_channels_ffmpeg_lists_around_odd_data", "96 Mono 2112", 44100, {mono}, six}};
}

INSTANTIATE_TEST_SUITE_P(Sources, EncodeSourceTest, ::testing::ValuesIn(Sources()),
                         testing::RowName);

// The run writes the entry's MP3 path, pauses after each chunk, and stops at an Abort's chunk.
TEST_F(EncodeFileTest, WritesTheEntrysPathPacesItselfAndStopsAfterAnAbort) {
    const std::string wav = Listed("My Song.wav", 10);
    form.Mp3Paths[1] = dir.File("Chosen.mp3");
    std::vector<std::int64_t> lengthsSeen;
    for (int call = 1; call <= 60; call += 2) {
        platform.AtDoEvents(call,
                            [&] { lengthsSeen.push_back(testing::Length(form.Mp3Paths[1])); });
    }
    form.EncodeFile(wav);
    EXPECT_FALSE(fs::exists(dir.File("MySong.mp3")));
    const std::int64_t framesPerChunk = form.ChunkSamples / 2;
    EXPECT_GE(platform.doEventsCalls, (441000 + framesPerChunk - 1) / framesPerChunk);
    // The length on disk follows the encoding while it runs.
    EXPECT_GT(lengthsSeen.front(), 0);
    EXPECT_TRUE(std::is_sorted(lengthsSeen.begin(), lengthsSeen.end()));
    EXPECT_LT(lengthsSeen.back(), testing::Length(dir.File("Chosen.mp3")));

    // Asked for before the run, an abort lets one chunk through; in the second pause, three.
    for (const auto& [atDoEvents, chunksThrough] : {std::pair{0, 1}, {3, 3}}) {
        fs::remove(dir.File("Chosen.mp3"));
        form.AbortRequested = atDoEvents == 0;
        if (atDoEvents != 0) {
            platform.AtDoEvents(atDoEvents, [&] { form.AbortRequested = true; });
        }
        form.EncodeFile(wav);
        EXPECT_TRUE(Decoded(dir.File("Chosen.mp3"), chunksThrough * framesPerChunk));
    }
    EXPECT_TRUE(platform.Messages().empty());
}

// Whatever escapes the run (here from a handler in its pause) ends it visibly.
TEST_F(EncodeFileTest, AnErrorThatEscapesTheRunEndsItVisiblyAndRemovesItsOutput) {
    testing::WriteWav(dir.File("song.wav"), {.frames = 44100});
    platform.AtDoEvents(1, [] { throw std::runtime_error("out of order"); });
    form.EncodeFile(dir.File("song.wav"));
    EXPECT_EQ(platform.interactions,
              Names{"Critical error... (x): The file cannot be encoded:\n" + dir.File("song.wav") +
                    "\nAn unexpected error stopped it: out of order."});
    EXPECT_FALSE(fs::exists(dir.File("song.mp3")));
}

struct FailureCase {
    const char* name;
    std::optional<WavSpec> source;
    const char* output;  // what the MP3 path holds before the run, if anything
    const char* message; // "read", "write" or "encode": the file's message; else the text
    const char* reason;
};

class EncodeFailureTest : public EncodeFileTest,
                          public ::testing::WithParamInterface<FailureCase> {};

// A failed run says why, keeps the source, removes only its own output, and processes no events.
TEST_P(EncodeFailureTest, SaysWhyRemovesNothingOfOthersAndReturns) {
    const FailureCase& c = GetParam();
    const std::string wav = dir.File("song.wav");
    const std::string mp3 = dir.File("song.mp3");
    if (c.source) {
        testing::WriteWav(wav, *c.source);
    }
    if (c.output) {
        std::ofstream(mp3) << c.output;
    }
    const auto describe = [](const std::string& path) {
        return fs::exists(path) ? testing::Contents(path) : "absent";
    };
    const std::string sourceBefore = describe(wav);
    form.EncodeFile(wav);
    const std::string kind = c.message;
    EXPECT_EQ(platform.interactions,
              Names{"Critical error... (x): " +
                    (kind == "read"     ? "The file cannot be read:\n" + wav + "\n"
                     : kind == "write"  ? "The MP3 file cannot be written:\n" + mp3 + "\n"
                     : kind == "encode" ? "The file cannot be encoded:\n" + wav + "\n"
                                        : kind) +
                    c.reason});
    EXPECT_EQ(std::tuple(describe(mp3), describe(wav), platform.doEventsCalls),
              std::tuple(c.output ? c.output : "absent", sourceBefore, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EncodeFailureTest,
    ::testing::Values(
        FailureCase{"missing_source", std::nullopt, nullptr, "read", "No such file or directory."},
        FailureCase{"source_24_bit", WavSpec{.bitsPerSample = 24, .frames = 100}, nullptr, "encode",
                    "Its samples are not 8 or 16 bits wide."},
        FailureCase{"encoder_refuses_the_rate", WavSpec{.sampleRate = 22050, .frames = 100},
                    nullptr, "Invalid format parameters", ""},
        FailureCase{"output_with_contents", WavSpec{}, "keep", "write", "File exists."}),
    testing::RowName);

} // namespace
} // namespace tarn
