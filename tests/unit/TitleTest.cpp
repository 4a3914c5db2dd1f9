// The engraved title: its font record, how a record maps to a font here, the layers printed.
#include "shell/LogFont.h"
#include "shell/LogFontMapper.h"
#include "shell/RotateText.h"
#include "support/RecordingPaintSurface.h"
#include "support/TestPlatform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarn {
namespace {

platform::LogFont Record(const std::string& face, std::int32_t height = -25,
                         std::int32_t escapement = 0, std::int32_t weight = 0,
                         std::uint8_t italic = 0) {
    platform::LogFont font{
        .lfHeight = height, .lfEscapement = escapement, .lfWeight = weight, .lfItalic = italic};
    std::copy(face.begin(), face.end(), font.lfFaceName.begin()); // the rows' names fit
    return font;
}

TEST(LogFontTest, BuiltForTheScreenAndMappedToAFamilyStylesAndSize) {
    using Row = std::tuple<std::int16_t, double, std::int32_t, std::int32_t, std::int32_t>;
    for (const auto& [size, twips, angle, height, escapement] :
         {Row{19, 15, 0, -25, 0}, Row{19, 12, 90, -32, 900}, Row{1639, 15, 0, 0, 0},
          Row{19, 15, 214748365, 0, 0}, Row{19, std::nan(""), 0, 0, 0}}) {
        const auto font = BuildLogFont("Arial", kBooleanFalse, kBooleanFalse, size, angle, twips);
        EXPECT_EQ(font ? std::pair(font->lfHeight, font->lfEscapement) : std::pair(0, 0),
                  std::pair(height, escapement))
            << size << " at " << twips;
    }

    // Only whole trailing words count; names without an alias are the system's.
    using Mapping = std::tuple<platform::LogFont, const char*, bool, bool>;
    for (const auto& [font, family, bold, italic] :
         {Mapping{Record("Times New Roman Bold"), "Liberation Serif", true, false},
          Mapping{Record("  times new roman ITALIC  bold "), "Liberation Serif", true, true},
          Mapping{Record("Arial Narrow Italic"), "Liberation Sans Narrow", false, true},
          Mapping{Record("Arial Black"), "Arial Black", false, false},
          Mapping{Record("Bold"), "Bold", false, false},
          Mapping{Record(""), "Liberation Sans", false, false},
          Mapping{Record("Arial", -25, 0, 599), "Liberation Sans", false, false},
          Mapping{Record("Arial", -25, 0, 600, 1), "Liberation Sans", true, true}}) {
        const MappedFont mapped = MapLogFont(font);
        EXPECT_EQ(std::tuple(mapped.family, mapped.bold, mapped.italic),
                  std::tuple(family, bold, italic))
            << font.FaceName();
    }
    for (const auto& [height, escapement, pixels, cellHeight, rotation] :
         {std::tuple{-25, 0, std::int64_t{25}, false, 0.0},
          {32, 900, 32, true, 90.0},
          {0, -450, kDefaultFontPixels, false, -45.0}}) {
        const MappedFont mapped = MapLogFont(Record("Arial", height, escapement));
        EXPECT_EQ(std::tuple(mapped.pixelSize, mapped.cellHeight), std::tuple(pixels, cellHeight));
        EXPECT_DOUBLE_EQ(mapped.rotation, rotation) << escapement;
    }
}

// Layers as "colour@x,y"; drawn or not, the surface is left as it was; a failure is said.
TEST(RotateTextTest, DrawsEachLayerDepthTimesAndLeavesTheSurfaceAsItWas) {
    // down-right, up-left and face colours (-1: none), depth, size
    using Row = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int16_t, std::int16_t,
                           const char*, bool>;
    const char* const threeDeep = "16777215@11,51 16777215@12,52 16777215@13,53 8421504@9,49 "
                                  "8421504@8,48 8421504@7,47 0@10,50 ";
    for (const auto& [downRight, upLeft, face, depth, size, layers, drawn] :
         {Row{0xFFFFFF, 0x808080, 0, 3, 19, threeDeep, true},
          Row{-1, 0x808080, -1, 1, 19, "8421504@9,49 ", true},
          Row{0xFFFFFF, 0x808080, 0, 1, 1639, "", false}}) {
        testing::TestPlatform platform;
        testing::RecordingPaintSurface surface;
        EXPECT_EQ(RotateText(platform, platform, surface, "Tarn", "Times New Roman", kBooleanTrue,
                             kBooleanFalse, size, 0, downRight, upLeft, face, 10, 50, depth),
                  drawn);
        std::string printed;
        for (const auto& print : surface.prints) {
            printed += std::to_string(print.color) + "@" + std::to_string(int(print.x)) + "," +
                       std::to_string(int(print.y)) + " ";
            EXPECT_EQ(print.scaleMode, platform::kScalePixels);
            EXPECT_EQ(print.font.FaceName(), "Times New Roman Bold");
        }
        EXPECT_EQ(printed, layers);
        EXPECT_EQ(std::tuple(surface.graphicsMode, surface.ScaleMode(), surface.Selected(),
                             surface.LiveFonts()),
                  std::tuple(platform::kGraphicsModeAdvanced, platform::kScaleTwips,
                             testing::RecordingPaintSurface::kStockFont, 0U));
        EXPECT_EQ(
            platform.Messages(),
            (std::vector<platform::MessageBoxRequest>(
                drawn ? 0 : 1, {"RotateText", platform::MessageIcon::None, "Tarn MP3 Encoder"})));
    }
    // A surface that cannot take its own font back still gets its scale mode back.
    testing::TestPlatform platform;
    testing::RecordingPaintSurface surface;
    surface.failsToRestore = true;
    EXPECT_FALSE(RotateText(platform, platform, surface, "Tarn", "Arial", kBooleanTrue,
                            kBooleanFalse, 19, 0, 0, 0, 0, 10, 50, 1));
    EXPECT_EQ(surface.ScaleMode(), platform::kScaleTwips);
    EXPECT_EQ(platform.Messages().size(), 1U);
}

} // namespace
} // namespace tarn
