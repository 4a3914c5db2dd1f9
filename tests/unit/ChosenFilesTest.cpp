// The files the program is given: their names, the command line's paths, the WAV header's fields.
#include "common/PathParts.h"
#include "filelist/FileNames.h"
#include "filelist/WavProbe.h"
#include "shell/CommandLine.h"
#include "shell/modGeneral.h"
#include "support/FaultySystem.h"
#include "support/TempDir.h"
#include "support/WavFiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

namespace tarn {
namespace {

using Texts = std::pair<const char*, const char*>;

TEST(FileNamesTest, CleanedNamesFoldersSizesAndMp3Paths) {
    EXPECT_EQ(CleanFileName("My Song - Live.wav"), "MySongLive.wav");
    EXPECT_EQ(CleanFileName("a-b c_d.WAV"), "abc_d.WAV");
    using Split = std::tuple<const char*, const char*, const char*, const char*>;
    for (const auto& [path, parent, name, folder] :
         {Split{"/a b/c-d/e f.wav", "/a b/c-d", "e f.wav", "/a b/c-d/"},
          Split{"plain.wav", ".", "plain.wav", ""}, Split{"/x.wav", "/", "x.wav", "/"},
          Split{"a/b/", "a/b", "", "a/b/"}, Split{"", ".", "", ""}}) {
        EXPECT_EQ(ParentFolder(path), parent) << path;
        EXPECT_EQ(FileName(path), name) << path;
        EXPECT_EQ(SplitPath(path).folder, folder) << path;
    }
    using Size = std::pair<std::uint64_t, const char*>;
    for (const auto& [bytes, text] :
         {Size{999, "999"}, Size{1000, "1,000"}, Size{1234567, "1,234,567"},
          Size{INT64_MAX, "9,223,372,036,854,775,807"}}) {
        EXPECT_EQ(FormatFileSize(bytes), text);
    }
    for (const auto& [path, mp3] :
         {Texts{"/music/song.WAV", "/music/song.mp3"}, Texts{"/music/song", "/music/song.mp3"},
          Texts{"/my.dir/song", "/my.dir/song.mp3"}, Texts{"/music/.wav", "/music/.wav.mp3"},
          Texts{".wav", ".wav.mp3"}, Texts{"song.wav", "song.mp3"}}) {
        EXPECT_EQ(ChangeExtension(path, "mp3"), mp3);
    }
}

using Strings = std::vector<std::string>;

// Files are taken as they are written, relative to the current folder; an option refuses all.
TEST(CommandLineTest, TakesFilesAsTheyArePathsAndRefusesOptions) {
    using Row = std::tuple<const char*, Strings, Strings, const char*>;
    for (const auto& [folder, arguments, files, unknownOption] :
         {Row{"/music", {"a b.wav", "/x/d.wav"}, {"/music/a b.wav", "/x/d.wav"}, ""},
          Row{"/music/", {"./a.wav", ".//./b.wav"}, {"/music/a.wav", "/music/b.wav"}, ""},
          Row{"", {"a.wav"}, {"a.wav"}, ""}, Row{"/music", {"a.wav", "-x", "b.wav"}, {}, "-x"},
          Row{"/music", {"--", "-x.wav", "--"}, {"/music/-x.wav", "/music/--"}, ""}}) {
        const CommandLine line = ParseCommandLine(arguments, folder);
        EXPECT_EQ(line.files, files) << arguments.front();
        EXPECT_EQ(line.unknownOption.value_or(""), unknownOption) << arguments.front();
    }
    // --jobs takes 1 to kMaxJobs, the last one given counting; any other value refuses all.
    using Jobs = std::tuple<Strings, std::optional<int>, std::optional<std::string>, Strings>;
    for (const auto& [arguments, jobs, badJobs, files] :
         {Jobs{{"--jobs", "4", "a.wav"}, 4, std::nullopt, {"/m/a.wav"}},
          Jobs{{"a.wav", "--jobs=64", "--jobs", "1"}, 1, std::nullopt, {"/m/a.wav"}},
          Jobs{{"--jobs=7"}, 7, std::nullopt, {}},
          Jobs{{"--", "--jobs", "3"}, std::nullopt, std::nullopt, {"/m/--jobs", "/m/3"}},
          Jobs{{"a.wav", "--jobs"}, std::nullopt, "", {}}, Jobs{{"--jobs="}, std::nullopt, "", {}},
          Jobs{{"--jobs", "0", "a.wav"}, std::nullopt, "0", {}},
          Jobs{{"--jobs=65"}, std::nullopt, "65", {}},
          Jobs{{"--jobs", "-2"}, std::nullopt, "-2", {}},
          Jobs{{"--jobs", "4x"}, std::nullopt, "4x", {}},
          Jobs{{"--jobs", "+4"}, std::nullopt, "+4", {}},
          Jobs{{"--jobs=4294967297"}, std::nullopt, "4294967297", {}}}) {
        const CommandLine line = ParseCommandLine(arguments, "/m");
        EXPECT_EQ(std::tuple(line.jobs, line.badJobs, line.files), std::tuple(jobs, badJobs, files))
            << ::testing::PrintToString(arguments);
    }
    EXPECT_EQ(UsageError(ParseCommandLine({"--jobs"}, "")),
              "tarnme: --jobs takes a whole number from 1 to 64; usage: tarnme [--jobs N] [--] "
              "[FILE.wav...]");
    EXPECT_EQ(UsageError(ParseCommandLine({"a.wav", "--jobs=2"}, "")), std::nullopt);
}

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
    // A file that cannot be read keeps the reason for the message.
    EXPECT_EQ(ProbeWavHeader(dir.File("missing.wav")).failure.Error(), ENOENT);
    const auto listFirst = testing::Riff(
        {{"LIST", testing::FfmpegList()}, {"fmt ", testing::Fmt(2, 44100, 16)}, {"data", {}}});
    EXPECT_EQ(ProbeWavHeaderBytes(listFirst.data(), listFirst.size()).outcome,
              ProbeOutcome::BadSampleRate);
    // Walked as Go walks it, in large reads; sound past the first 4,096 chunks is refused.
    for (const auto& [junk, outcome] :
         {std::pair{4094, ProbeOutcome::Accepted}, std::pair{4095, ProbeOutcome::Unreadable}}) {
        std::vector<testing::Chunk> chunks{{"fmt ", testing::Fmt(2, 44100, 16)}};
        chunks.resize(static_cast<std::size_t>(junk) + 1, {"JUNK", {}});
        chunks.push_back({"data", {}});
        testing::WriteBytes(dir.File("junk.wav"), testing::Riff(chunks));
        const testing::FaultySystem system;
        EXPECT_EQ(ProbeWavHeader(dir.File("junk.wav")).outcome, outcome) << junk;
        // The header, one window of 32 kB, and the end of the file.
        EXPECT_EQ(std::ranges::count(system.calls, platform::sys::Call::Read,
                                     &testing::FaultySystem::Note::call),
                  3);
    }
}

} // namespace
} // namespace tarn
