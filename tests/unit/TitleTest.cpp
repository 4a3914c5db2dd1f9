// The engraved title: the font record it asks for, how that record maps to a font here, and
// the layers it prints.
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

using testing::RecordingPaintSurface;

TEST(LogFontTest, HeightEscapementAndAFaceNameFieldOf33Characters) {
    struct Row {
        std::int16_t size;
        double twipsPerPixel;
        std::int32_t angle;
        std::int32_t height; // 0: no font
        std::int32_t escapement;
    };
    for (const Row& row :
         {Row{19, 15, 0, -25, 0}, Row{19, 12, 90, -32, 900}, Row{1, 8, -45, -2, -450},
          Row{1638, 15, 0, -2184, 0}, Row{1639, 15, 0, 0, 0}, Row{-1639, 15, 0, 0, 0},
          Row{19, 15, 214748364, -25, 2147483640}, Row{19, 15, 214748365, 0, 0},
          Row{19, 15, -214748365, 0, 0}, Row{19, 0, 0, 0, 0}, Row{19, std::nan(""), 0, 0, 0},
          Row{19, 1e-300, 0, 0, 0}}) {
        const auto font = BuildLogFont("Arial", kBooleanFalse, kBooleanFalse, row.size, row.angle,
                                       row.twipsPerPixel);
        SCOPED_TRACE(std::to_string(row.size) + " at " + std::to_string(row.twipsPerPixel));
        ASSERT_EQ(font.has_value(), row.height != 0);
        if (font) {
            EXPECT_EQ(font->lfHeight, row.height);
            EXPECT_EQ(font->lfEscapement, row.escapement);
            EXPECT_EQ(font->lfOrientation, 0);
            EXPECT_EQ(font->lfWeight, 0);
        }
    }
    const auto styled = BuildLogFont("Times New Roman", kBooleanTrue, kBooleanTrue, 19, 0, 15);
    EXPECT_EQ(std::string(styled->lfFaceName.data(), 33),
              "Times New Roman Bold Italic" + std::string(1, '\0') + "     ");
    // A flag counts only when it is exactly True; a long name is cut at the field's end.
    const auto cut = BuildLogFont(std::string(40, 'x'), 1, kBooleanFalse, 19, 0, 15);
    EXPECT_EQ(std::string(cut->lfFaceName.data(), 33), std::string(33, 'x'));
    EXPECT_EQ(StyledFaceName("Arial", kBooleanFalse, kBooleanTrue), "Arial Italic");
}

platform::LogFont Record(const std::string& face, std::int32_t height = -25,
                         std::int32_t escapement = 0) {
    platform::LogFont font;
    std::copy_n(face.begin(), std::min(face.size(), font.lfFaceName.size()),
                font.lfFaceName.begin());
    font.lfHeight = height;
    font.lfEscapement = escapement;
    return font;
}

TEST(LogFontMapperTest, FindsTheFamilyStylesAndSize) {
    struct Row {
        const char* face;
        const char* family;
        bool bold;
        bool italic;
    };
    for (const Row& row :
         {Row{"Times New Roman Bold", "Liberation Serif", true, false},
          Row{"  times new roman ITALIC  bold ", "Liberation Serif", true, true},
          Row{"MS Sans Serif", "Liberation Sans", false, false},
          Row{"Arial Narrow Italic", "Liberation Sans Narrow", false, true},
          Row{"Courier New", "Liberation Mono", false, false},
          // Only whole trailing words count; other names are the system's.
          Row{"Arial Black", "Arial Black", false, false},
          Row{"Boldface", "Boldface", false, false}, Row{"Bold", "Bold", false, false},
          Row{"", "Liberation Sans", false, false}}) {
        const MappedFont mapped = MapLogFont(Record(row.face));
        EXPECT_EQ(mapped.family, row.family) << row.face;
        EXPECT_EQ(mapped.bold, row.bold) << row.face;
        EXPECT_EQ(mapped.italic, row.italic) << row.face;
    }
    platform::LogFont weighted = Record("Arial");
    for (const auto& [weight, italicByte, bold, italic] :
         {std::tuple{599, 0, false, false}, {600, 1, true, true}}) {
        weighted.lfWeight = weight;
        weighted.lfItalic = static_cast<std::uint8_t>(italicByte);
        EXPECT_EQ(MapLogFont(weighted).bold, bold) << weight;
        EXPECT_EQ(MapLogFont(weighted).italic, italic) << weight;
    }
    for (const auto& [height, escapement, pixels, cellHeight, rotation] :
         {std::tuple{-25, 0, std::int64_t{25}, false, 0.0},
          {32, 900, 32, true, 90.0},
          {0, -450, kDefaultFontPixels, false, -45.0},
          {INT32_MIN, 0, 2147483648LL, false, 0.0}}) {
        const MappedFont mapped = MapLogFont(Record("Arial", height, escapement));
        EXPECT_EQ(mapped.pixelSize, pixels) << height;
        EXPECT_EQ(mapped.cellHeight, cellHeight) << height;
        EXPECT_DOUBLE_EQ(mapped.rotation, rotation) << escapement;
    }
}

class RotateTextTest : public ::testing::Test {
protected:
    bool Run(std::int32_t downRight, std::int32_t upLeft, std::int32_t face, std::int16_t depth,
             std::int16_t size = 19) {
        return RotateText(platform, platform, surface, "Tarn", "Times New Roman", kBooleanTrue,
                          kBooleanFalse, size, 0, downRight, upLeft, face, 10, 50, depth);
    }
    // Each print as "colour@x,y".
    std::vector<std::string> Layers() const {
        std::vector<std::string> layers;
        for (const auto& print : surface.prints) {
            layers.push_back(std::to_string(print.color) + "@" +
                             std::to_string(static_cast<int>(print.x)) + "," +
                             std::to_string(static_cast<int>(print.y)));
            EXPECT_EQ(print.scaleMode, platform::kScalePixels);
            EXPECT_EQ(print.font.FaceName(), "Times New Roman Bold");
        }
        return layers;
    }
    // Whatever happened, the surface is as it was: its scale mode, its own font, no font left.
    void ExpectLeftAsItWas() {
        EXPECT_EQ(surface.ScaleMode(), platform::kScaleTwips);
        EXPECT_EQ(surface.Selected(), RecordingPaintSurface::kStockFont);
        EXPECT_EQ(surface.LiveFonts(), 0U);
        EXPECT_EQ(surface.unknownSelected, 0);
    }

    testing::TestPlatform platform;
    RecordingPaintSurface surface;
};

TEST_F(RotateTextTest, DrawsEachLayerDepthTimesAndLeavesOutColourMinusOne) {
    struct Row {
        std::int32_t downRight, upLeft, face;
        std::int16_t depth;
        std::vector<std::string> layers;
    };
    const std::vector<Row> rows{
        {0xFFFFFF, 0x808080, 0, 1, {"16777215@11,51", "8421504@9,49", "0@10,50"}},
        {0xFFFFFF, 0x808080, 0, 0, {"0@10,50"}},
        {0xFFFFFF,
         0x808080,
         0,
         3,
         {"16777215@11,51", "16777215@12,52", "16777215@13,53", "8421504@9,49", "8421504@8,48",
          "8421504@7,47", "0@10,50"}},
        {-1, 0x808080, -1, 1, {"8421504@9,49"}},
        {-1, -1, -1, 1, {}},
    };
    for (const Row& row : rows) {
        surface.prints.clear();
        EXPECT_TRUE(Run(row.downRight, row.upLeft, row.face, row.depth));
        EXPECT_EQ(Layers(), row.layers);
        ExpectLeftAsItWas();
    }
    EXPECT_EQ(surface.graphicsMode, platform::kGraphicsModeAdvanced);
    // Every call makes its own font and deletes it.
    EXPECT_EQ(surface.fontsCreated.size(), rows.size());
    EXPECT_EQ(surface.fontsDeleted.size(), rows.size());
}

// Any failure says "RotateText", returns false and still leaves the surface as it was.
TEST_F(RotateTextTest, AFailureSaysSoAndLeavesTheSurfaceAsItWas) {
    EXPECT_FALSE(Run(0xFFFFFF, 0x808080, 0, 1, 1639));
    EXPECT_TRUE(surface.fontsCreated.empty());
    ExpectLeftAsItWas();
    surface.failAtPrint = 2;
    EXPECT_FALSE(Run(0xFFFFFF, 0x808080, 0, 1));
    EXPECT_EQ(surface.fontsDeleted.size(), 1U);
    ExpectLeftAsItWas();
    EXPECT_EQ(platform.Messages(),
              (std::vector<platform::MessageBoxRequest>(
                  2, {"RotateText", platform::MessageIcon::None, "Tarn MP3 Encoder"})));
    // Without a font of its own the text is printed in the surface's font.
    surface.failAtPrint = 0;
    surface.refuseFonts = true;
    surface.prints.clear();
    EXPECT_TRUE(Run(-1, -1, 0, 1));
    ASSERT_EQ(surface.prints.size(), 1U);
    EXPECT_EQ(surface.prints[0].font.FaceName(), "");
    ExpectLeftAsItWas();
}

} // namespace
} // namespace tarn
