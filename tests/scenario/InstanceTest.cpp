// A start that cannot tell whether it is the only one ends before it touches any file.
#include "shell/frmMain.h"
#include "support/JobFixture.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(InstanceTest, AStartThatCannotTakeTheMarkerSaysWhyAndEnds) {
    testing::TestPlatform platform;
    platform.instanceFailure = Status::Failure("Its lock /run/x cannot be made");
    frmMain form{platform.Bundle()};
    form.Form_Load();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(platform.interactions,
              (testing::Names{"Tarn MP3 Encoder (x): The program cannot make sure that it is the "
                              "only one running, and ends without changing any file:\nIts lock "
                              "/run/x cannot be made."}));
    EXPECT_EQ(platform.unloadCalls, 1);
}

} // namespace
} // namespace tarn
