#include "shell/LogFontMapper.h"

#include "shell/LogFont.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

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
                      FaceCase{"Times New Roman", "Liberation Serif", false, false},
                      FaceCase{"Times New Roman Bold Italic", "Liberation Serif", true, true},
                      FaceCase{"Times New Roman Italic Bold", "Liberation Serif", true, true},
                      FaceCase{"times new roman BOLD", "Liberation Serif", true, false},
                      FaceCase{"Arial Italic", "Liberation Sans", false, true},
                      FaceCase{"Courier New Bold", "Liberation Mono", true, false},
                      // Only whole trailing words count; other names are left to the system.
                      FaceCase{"Arial Black", "Arial Black", false, false},
                      FaceCase{"Boldface", "Boldface", false, false},
                      FaceCase{"DejaVu Serif Bold", "DejaVu Serif", true, false},
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

TEST(LogFontMapperTest, TheTitleRecordGivesBoldLiberationSerifOf25Pixels) {
    const auto font = BuildLogFont("Times New Roman", kBooleanTrue, kBooleanFalse, 19, 0, 15.0);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(MapLogFont(*font), (MappedFont{"Liberation Serif", true, false, 25, false, 0.0}));
}

struct SizeCase {
    std::int32_t height;
    std::int32_t escapement;
    std::int64_t pixels;
    bool cellHeight;
    double rotation;
};

class LogFontMapperSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LogFontMapperSizeTest, TakesHeightAndEscapement) {
    platform::LogFont font = Record("Arial");
    font.lfHeight = GetParam().height;
    font.lfEscapement = GetParam().escapement;
    const MappedFont mapped = MapLogFont(font);
    EXPECT_EQ(mapped.pixelSize, GetParam().pixels);
    EXPECT_EQ(mapped.cellHeight, GetParam().cellHeight);
    EXPECT_DOUBLE_EQ(mapped.rotation, GetParam().rotation);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogFontMapperSizeTest,
                         ::testing::Values(SizeCase{-25, 0, 25, false, 0.0},
                                           SizeCase{32, 900, 32, true, 90.0},
                                           SizeCase{0, -450, kDefaultFontPixels, false, -45.0},
                                           SizeCase{-12, 5, 12, false, 0.5},
                                           SizeCase{INT32_MIN, 0, 2147483648LL, false, 0.0}));

} // namespace
} // namespace tarn
