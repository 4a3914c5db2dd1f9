#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::platform {

// The font description handed to the system, in its ANSI form. Every field left alone is 0.
struct LogFont {
    // The face name field holds 33 characters; the system reads only the first 32.
    static constexpr std::size_t kFaceNameField = 33;
    static constexpr std::size_t kFaceNameRead = 32;

    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    std::array<char, kFaceNameField> lfFaceName{};

    // The face name as the system reads it: the first 32 characters, up to the first NUL.
    std::string FaceName() const {
        std::string name;
        for (std::size_t i = 0; i < kFaceNameRead && lfFaceName[i] != '\0'; ++i) {
            name += lfFaceName[i];
        }
        return name;
    }

    bool operator==(const LogFont&) const = default;
};

inline constexpr int kGraphicsModeCompatible = 1;
inline constexpr int kGraphicsModeAdvanced = 2;

// Units of a surface's coordinates.
inline constexpr std::int16_t kScaleTwips = 1;
inline constexpr std::int16_t kScalePoints = 2;
inline constexpr std::int16_t kScalePixels = 3;
inline constexpr std::int16_t kScaleInches = 5;
inline constexpr std::int16_t kScaleMillimeters = 6;
inline constexpr std::int16_t kScaleCentimeters = 7;

// A font made by a surface; 0 is no font.
using FontHandle = std::uintptr_t;

// Something to print text on, as a window or a picture box offers it: a device context with a
// graphics mode and a selected font, a scale mode, a current position and a fore colour.
// A surface that cannot do what is asked throws a std::exception.
class PaintSurface {
public:
    virtual ~PaintSurface() = default;

    // kGraphicsModeAdvanced lets fonts with an escapement draw at their angle.
    virtual void SetGraphicsMode(int mode) = 0;

    virtual std::int16_t ScaleMode() const = 0;
    virtual void SetScaleMode(std::int16_t mode) = 0;

    // The print position, in units of the scale mode.
    virtual float CurrentX() const = 0;
    virtual void SetCurrentX(float x) = 0;
    virtual float CurrentY() const = 0;
    virtual void SetCurrentY(float y) = 0;

    // Colours are 0x00BBGGRR: red in the low byte, then green, then blue.
    virtual std::uint32_t ForeColor() const = 0;
    virtual void SetForeColor(std::uint32_t color) = 0;

    // A new font from the record, or 0 when none could be made.
    virtual FontHandle CreateFontIndirect(const LogFont& font) = 0;
    // Selects a font into the device context and returns the font it replaces.
    virtual FontHandle SelectObject(FontHandle font) = 0;
    // Deletes a font made by CreateFontIndirect; false when it is unknown or still selected.
    virtual bool DeleteObject(FontHandle font) = 0;

    // Prints the text in the fore colour and the selected font with its top-left corner at the
    // current position, then moves the current position to the start of the next line.
    virtual void Print(const std::string& text) = 0;
};

} // namespace tarn::platform
