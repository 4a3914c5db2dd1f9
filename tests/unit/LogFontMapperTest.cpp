#include "shell/LogFontMapper.h"

#include "shell/LogFont.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace tarn {
namespace {

platform::LogFont Record(const std::string& face) {
    platform::LogFont font;
    std::copy_n(face.begin(), std::min(face.size(), font.lfFaceName.size()),
                font.lfFaceName.begin());
    return font;
}

struct FaceCase {
    const char* face;
    const char* family;
    bool bold;
    bool italic;
};

class LogFontMapperFaceTest : public ::testing::TestWithParam<FaceCase> {};

TEST_P(LogFontMapperFaceTest, FindsTheFamilyAndTheStyles) {
    const MappedFont mapped = MapLogFont(Record(GetParam().face));
    EXPECT_EQ(mapped.family, GetParam().family);
    EXPECT_EQ(mapped.bold, GetParam().bold);
    EXPECT_EQ(mapped.italic, GetParam().italic);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, LogFontMapperFaceTest,
    ::testing::Values(FaceCase{"Times New Roman Bold", "Liberation Serif", true, false},
                      FaceCase{"Times New Roman Italic Bold", "Liberation Serif", true, true},
                      FaceCase{"times new roman BOLD", "Liberation Serif", true, false},
                      FaceCase{"Arial Italic", "Liberation Sans", false, true},
                      // Only whole trailing words count; other names are left to the system.
                      FaceCase{"Arial Black", "Arial Black", false, false},
                      FaceCase{"Boldface", "Boldface", false, false},
                      FaceCase{"Bold", "Bold", false, false},
                      FaceCase{"", "Liberation Sans", false, false}));

TEST(LogFontMapperTest, WeightAndItalicByteAlsoSelectTheStyles) {
    platform::LogFont font = Record("Arial");
    font.lfWeight = 700;
    font.lfItalic = 1;
    const MappedFont mapped = MapLogFont(font);
    EXPECT_TRUE(mapped.bold);
    EXPECT_TRUE(mapped.italic);
    font.lfWeight = 400;
    font.lfItalic = 0;
    EXPECT_FALSE(MapLogFont(font).bold);
    EXPECT_FALSE(MapLogFont(font).italic);
}

TEST(LogFontMapperTest, TakesHeightAndEscapement) {
    const std::tuple<std::int32_t, std::int32_t, std::int64_t, bool, double> cases[] = {
        {-25, 0, 25, false, 0.0},
        {32, 900, 32, true, 90.0},
        {0, -450, kDefaultFontPixels, false, -45.0},
        {INT32_MIN, 0, 2147483648LL, false, 0.0},
    };
    for (const auto& [height, escapement, pixels, cellHeight, rotation] : cases) {
        platform::LogFont font = Record("Arial");
        font.lfHeight = height;
        font.lfEscapement = escapement;
        const MappedFont mapped = MapLogFont(font);
        EXPECT_EQ(mapped.pixelSize, pixels) << height;
        EXPECT_EQ(mapped.cellHeight, cellHeight) << height;
        EXPECT_DOUBLE_EQ(mapped.rotation, rotation) << escapement;
    }
}

} // namespace
} // namespace tarn
