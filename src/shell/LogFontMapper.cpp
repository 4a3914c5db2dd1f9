#include "shell/LogFontMapper.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tarn {

namespace {

struct FamilyAlias {
    std::string_view face;
    std::string_view family;
};

constexpr FamilyAlias kAliases[] = {
    {"times new roman", "Liberation Serif"},
    {"times", "Liberation Serif"},
    {"arial", "Liberation Sans"},
    {"helvetica", "Liberation Sans"},
    {"ms sans serif", "Liberation Sans"},
    {"microsoft sans serif", "Liberation Sans"},
    {"ms shell dlg", "Liberation Sans"},
    {"arial narrow", "Liberation Sans Narrow"},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
};

constexpr std::string_view kFallbackFamily = "Liberation Sans";
constexpr std::int32_t kSemiBoldWeight = 600;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

void TrimBlanks(std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Removes " word" from the end of `name` when it is there, in any letter case.
bool StripStyleWord(std::string& name, std::string_view word) {
    std::string suffix(1, ' ');
    suffix += word;
    if (name.size() <= suffix.size() ||
        Lower(std::string_view(name).substr(name.size() - suffix.size())) != suffix) {
        return false;
    }
    name.resize(name.size() - suffix.size());
    TrimBlanks(name);
    return true;
}

} // namespace

MappedFont MapLogFont(const platform::LogFont& font) {
    MappedFont mapped;
    std::string face = font.FaceName();
    TrimBlanks(face);
    for (bool stripped = true; stripped;) {
        stripped = false;
        if (StripStyleWord(face, "bold")) {
            mapped.bold = stripped = true;
        }
        if (StripStyleWord(face, "italic")) {
            mapped.italic = stripped = true;
        }
    }
    mapped.bold = mapped.bold || font.lfWeight >= kSemiBoldWeight;
    mapped.italic = mapped.italic || font.lfItalic != 0;

    mapped.family = face.empty() ? std::string(kFallbackFamily) : face;
    const std::string key = Lower(face);
    for (const FamilyAlias& alias : kAliases) {
        if (key == alias.face) {
            mapped.family = alias.family;
            break;
        }
    }

    const std::int64_t height = font.lfHeight;
    mapped.pixelSize = height == 0 ? kDefaultFontPixels : std::abs(height);
    mapped.cellHeight = height > 0;
    mapped.rotation = font.lfEscapement / 10.0;
    return mapped;
}

} // namespace tarn
