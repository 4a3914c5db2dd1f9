#pragma once

#include <cstdint>
#include <string>

namespace tarn::forms {

// Colours are stored as 0x00BBGGRR: red in the low byte, then green, then blue.
using Color = std::uint32_t;

constexpr Color Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Color>(red) | (static_cast<Color>(green) << 8U) |
           (static_cast<Color>(blue) << 16U);
}

constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kButtonFace = Rgb(212, 208, 200);
constexpr Color kWindowText = kBlack;

struct Font {
    std::string Name = "MS Sans Serif";
    float Size = 9.75F;
    bool Bold = false;

    bool operator==(const Font&) const = default;
};

// 1440 twips to the inch: 15 twips make one pixel at 96 dots per inch.
constexpr float kTwipsPerPixelAt96Dpi = 15.0F;

enum class Property {
    Caption,
    Enabled,
    Visible,
    Geometry,
    ToolTip,
    Font,
    Colors,
    Value,
    Items,
    ListIndex,
    Tab,
    Picture,
};

enum class Alignment { Left, Right, Center };

} // namespace tarn::forms
