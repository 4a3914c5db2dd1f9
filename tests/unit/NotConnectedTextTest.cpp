#include "filelist/NotConnectedText.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using Kind = NameJournal::Kind;

TEST(NotConnectedTextTest, NamesEachFolderOnceWithItsFiles) {
    EXPECT_EQ(NotConnectedText({{"/s/a.wav", "/s/a b.wav", Kind::Renamed},
                                {"/n/c.mp3", "", Kind::OutputStarted},
                                {"/s/a.mp3", "/s/a b.mp3", Kind::OutputFinished},
                                {"/n/d.wav", "", Kind::Placeholder}}),
              "These files are in a folder that is not there now, on a USB stick, a memory card or "
              "a network folder that is not connected:\n/s/\n    a.wav, to be a b.wav\n    a.mp3, "
              "to be a b.mp3\n/n/\n    c.mp3, cut short, to be removed\n    d.wav, empty, to be "
              "removed\nTheir names come back when the program next starts with it connected.");
}

} // namespace
} // namespace tarn
