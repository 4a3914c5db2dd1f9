#include "filelist/FileNames.h"

#include "shell/modGeneral.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace tarn {
namespace {

TEST(FileNamesTest, CleanedNamesFoldersAndSizes) {
    for (const auto& [chosen, cleaned] : {std::pair{"My Song - Live.wav", "MySongLive.wav"},
                                          {"song.wav", "song.wav"},
                                          {"  - -", ""},
                                          {"a-b c_d.WAV", "abc_d.WAV"},
                                          {"tab\there.wav", "tab\there.wav"}}) {
        EXPECT_EQ(CleanFileName(chosen), cleaned);
    }
    for (const auto& [path, folder, name] :
         {std::tuple{"/music/My Song.wav", "/music/", "My Song.wav"},
          {"/a b/c-d/e f.wav", "/a b/c-d/", "e f.wav"},
          {"plain.wav", "", "plain.wav"},
          {"/top/", "/top/", ""}}) {
        EXPECT_EQ(SplitPath(path).folder, folder);
        EXPECT_EQ(SplitPath(path).fileName, name);
    }
    for (const auto& [bytes, text] : {std::pair<std::uint64_t, const char*>{0, "0"},
                                      {44, "44"},
                                      {999, "999"},
                                      {1000, "1,000"},
                                      {123456, "123,456"},
                                      {1234567, "1,234,567"},
                                      {1234567890, "1,234,567,890"},
                                      {4294967296, "4,294,967,296"},
                                      {INT64_MAX, "9,223,372,036,854,775,807"}}) {
        EXPECT_EQ(FormatFileSize(bytes), text);
    }
}

TEST(FileNamesTest, TheMp3PathReplacesOnlyTheFileNamesExtension) {
    for (const auto& [path, mp3] : {std::pair{"/music/MySongLive.wav", "/music/MySongLive.mp3"},
                                    {"/music/song.WAV", "/music/song.mp3"},
                                    {"/music/song.wave", "/music/song.mp3"},
                                    {"/music/song", "/music/song.mp3"},
                                    {"/my.dir/song", "/my.dir/song.mp3"},
                                    {"/music/a.b.wav", "/music/a.b.mp3"},
                                    {"/music/.wav", "/music/.wav.mp3"},
                                    {".wav", ".wav.mp3"},
                                    {"song.wav", "song.mp3"},
                                    {"song", "song.mp3"}}) {
        EXPECT_EQ(ChangeExtension(path, "mp3"), mp3);
    }
}

struct RecordingWindow : platform::WindowHost {
    void DeleteWindowMenuItem(int position) override { deleted.push_back(position); }
    void Unload() override {}
    std::vector<int> deleted;
};

TEST(FileNamesTest, WindowMenuItemsGoFromTheHighestPositionDown) {
    RecordingWindow window;
    RemoveSystemMenuItems(window, {true, false, true, false, false, false, true});
    EXPECT_EQ(window.deleted, (std::vector<int>{6, 2, 0}));
}

} // namespace
} // namespace tarn
