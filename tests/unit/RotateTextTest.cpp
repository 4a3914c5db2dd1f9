#include "shell/RotateText.h"

#include "shell/LogFont.h"
#include "support/RecordingPaintSurface.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace tarn {
namespace {

using testing::RecordingPaintSurface;
using testing::TestPlatform;

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::int32_t kGray = 0x808080;
constexpr std::int32_t kBlack = 0;

// ---- The font record ----

TEST(LogFontTest, HeightIsTheNegatedSizeInPixelsRoundedHalfToEven) {
    const std::tuple<std::int16_t, double, std::int32_t> cases[] = {
        {19, 15.0, -25}, // 96 dpi: -380 / 15 = -25.33
        {19, 12.0, -32}, // 120 dpi: -380 / 12 = -31.67
        {1, 8.0, -2},    // -2.5 goes to the even -2
    };
    for (const auto& [size, twipsPerPixel, height] : cases) {
        const auto font =
            BuildLogFont("Arial", kBooleanFalse, kBooleanFalse, size, 0, twipsPerPixel);
        ASSERT_TRUE(font.has_value());
        EXPECT_EQ(font->lfHeight, height) << size << " at " << twipsPerPixel;
    }
}

// ---- The drawing ----

struct Draw {
    std::int16_t bold = kBooleanTrue;
    std::int16_t italic = kBooleanFalse;
    std::int16_t fontSize = 19;
    std::int32_t angle = 0;
    std::int32_t downRight = kWhite;
    std::int32_t upLeft = kGray;
    std::int32_t face = kBlack;
    float x = 100;
    float y = 19;
    std::int16_t depth = 1;
};

class RotateTextTest : public ::testing::Test {
protected:
    bool Run(const Draw& d) {
        return RotateText(platform, platform, surface, "Tarn MP3 Encoder", "Times New Roman",
                          d.bold, d.italic, d.fontSize, d.angle, d.downRight, d.upLeft, d.face, d.x,
                          d.y, d.depth);
    }

    struct Spot {
        float x;
        float y;
        std::uint32_t color;
        bool operator==(const Spot&) const = default;
    };

    std::vector<Spot> Spots() const {
        std::vector<Spot> spots;
        for (const auto& print : surface.prints) {
            spots.push_back({print.x, print.y, print.color});
        }
        return spots;
    }

    void ExpectCleanEnd() {
        EXPECT_EQ(surface.ScaleMode(), platform::kScaleTwips);
        EXPECT_EQ(surface.Selected(), RecordingPaintSurface::kStockFont);
        EXPECT_EQ(surface.LiveFonts(), 0U);
    }

    TestPlatform platform;
    RecordingPaintSurface surface;
};

TEST_F(RotateTextTest, TheTitleAt96DpiIsWhiteThenGrayThenBlackInPixels) {
    platform.twipsPerPixelY = 15;
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(Spots(), (std::vector<Spot>{{101, 20, 0xFFFFFF}, {99, 18, 0x808080}, {100, 19, 0}}));
    EXPECT_EQ(surface.graphicsMode, platform::kGraphicsModeAdvanced);
    for (const auto& print : surface.prints) {
        EXPECT_EQ(print.scaleMode, platform::kScalePixels);
        EXPECT_EQ(print.font.FaceName(), "Times New Roman Bold");
        EXPECT_EQ(print.font.lfHeight, -25);
    }
    EXPECT_EQ(surface.scaleModesSet,
              (std::vector<std::int16_t>{platform::kScalePixels, platform::kScaleTwips}));
    ExpectCleanEnd();
}

TEST_F(RotateTextTest, DepthSetsHowManyCopiesOfEachOffsetColourAreDrawn) {
    const std::pair<std::int16_t, std::vector<Spot>> cases[] = {
        {0, {{10, 50, 0}}},
        {3,
         {{11, 51, 0xFFFFFF},
          {12, 52, 0xFFFFFF},
          {13, 53, 0xFFFFFF},
          {9, 49, 0x808080},
          {8, 48, 0x808080},
          {7, 47, 0x808080},
          {10, 50, 0}}},
    };
    for (const auto& [depth, spots] : cases) {
        surface.prints.clear();
        ASSERT_TRUE(Run({.x = 10, .y = 50, .depth = depth}));
        EXPECT_EQ(Spots(), spots) << depth;
    }
}

TEST_F(RotateTextTest, MinusOneLeavesItsLayerOut) {
    const std::tuple<std::int32_t, std::int32_t, std::int32_t, std::vector<std::uint32_t>> cases[] =
        {
            {-1, kGray, kBlack, {0x808080, 0}},
            {kWhite, kGray, -1, {0xFFFFFF, 0x808080}},
            {-1, -1, kBlack, {0}}, // black is a colour, not "none"
        };
    for (const auto& [downRight, upLeft, face, printed] : cases) {
        surface.prints.clear();
        ASSERT_TRUE(Run({.downRight = downRight, .upLeft = upLeft, .face = face}));
        std::vector<std::uint32_t> colors;
        for (const auto& print : surface.prints) {
            colors.push_back(print.color);
        }
        EXPECT_EQ(colors, printed);
    }
}

TEST_F(RotateTextTest, AFlagHoldingOneCountsAsNotSet) {
    ASSERT_TRUE(Run({.bold = 1, .italic = kBooleanTrue}));
    EXPECT_EQ(surface.prints.at(0).font.FaceName(), "Times New Roman Italic");
}

TEST_F(RotateTextTest, EveryCallMakesAndDeletesItsOwnFont) {
    ASSERT_TRUE(Run({}));
    ASSERT_TRUE(Run({}));
    ASSERT_EQ(surface.fontsCreated.size(), 2U);
    ASSERT_EQ(surface.fontsDeleted.size(), 2U);
    EXPECT_NE(surface.fontsDeleted[0], surface.fontsDeleted[1]);
    ExpectCleanEnd();
}

TEST_F(RotateTextTest, AnOverflowingSizeSaysRotateTextAndGivesTheScaleModeBack) {
    EXPECT_FALSE(Run({.fontSize = 1639}));
    EXPECT_EQ(platform.Messages(),
              (std::vector<platform::MessageBoxRequest>{
                  {"RotateText", platform::MessageIcon::None, "Tarn MP3 Encoder"}}));
    EXPECT_TRUE(surface.prints.empty());
    EXPECT_TRUE(surface.fontsCreated.empty());
    ExpectCleanEnd();
}

} // namespace
} // namespace tarn
