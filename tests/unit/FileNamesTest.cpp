#include "filelist/FileNames.h"

#include "shell/modGeneral.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

struct CleanCase {
    const char* chosen;
    const char* cleaned;
};

class CleanFileNameTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanFileNameTest, RemovesEverySpaceAndHyphen) {
    EXPECT_EQ(CleanFileName(GetParam().chosen), GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(Names, CleanFileNameTest,
                         ::testing::Values(CleanCase{"My Song - Live.wav", "MySongLive.wav"},
                                           CleanCase{"song.wav", "song.wav"},
                                           CleanCase{"  - -", ""},
                                           CleanCase{"a-b c_d.WAV", "abc_d.WAV"},
                                           CleanCase{"tab\there.wav", "tab\there.wav"}));

TEST(SplitPathTest, SplitsAtTheLastSlash) {
    EXPECT_EQ(SplitPath("/music/My Song.wav").folder, "/music/");
    EXPECT_EQ(SplitPath("/music/My Song.wav").fileName, "My Song.wav");
    EXPECT_EQ(SplitPath("/a b/c-d/e f.wav").folder, "/a b/c-d/");
    EXPECT_EQ(SplitPath("plain.wav").folder, "");
    EXPECT_EQ(SplitPath("plain.wav").fileName, "plain.wav");
}

struct SizeCase {
    std::int64_t bytes;
    const char* text;
};

class FormatFileSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FormatFileSizeTest, GroupsThousandsWithCommas) {
    EXPECT_EQ(FormatFileSize(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatFileSizeTest,
                         ::testing::Values(SizeCase{0, "0"}, SizeCase{44, "44"},
                                           SizeCase{999, "999"}, SizeCase{1000, "1,000"},
                                           SizeCase{123456, "123,456"},
                                           SizeCase{1234567, "1,234,567"},
                                           SizeCase{1234567890, "1,234,567,890"},
                                           SizeCase{4294967296, "4,294,967,296"},
                                           SizeCase{INT64_MAX, "9,223,372,036,854,775,807"}));

struct ExtensionCase {
    const char* path;
    const char* mp3;
};

class ChangeExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ChangeExtensionTest, ReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(ChangeExtension(GetParam().path, "mp3"), GetParam().mp3);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ChangeExtensionTest,
    ::testing::Values(ExtensionCase{"/music/MySongLive.wav", "/music/MySongLive.mp3"},
                      ExtensionCase{"/music/song.WAV", "/music/song.mp3"},
                      ExtensionCase{"/music/song.wave", "/music/song.mp3"},
                      ExtensionCase{"/music/song", "/music/song.mp3"},
                      ExtensionCase{"/my.dir/song", "/my.dir/song.mp3"},
                      ExtensionCase{"/music/a.b.wav", "/music/a.b.mp3"},
                      ExtensionCase{"/music/.wav", "/music/.wav.mp3"},
                      ExtensionCase{"song.wav", "song.mp3"}, ExtensionCase{"song", "song.mp3"}));

} // namespace
} // namespace tarn
