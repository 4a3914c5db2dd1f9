#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The characters of well-formed UTF-8 text; nothing for anything else: a stray continuation
// byte, a sequence cut short, an overlong form, a surrogate or a value above U+10FFFF.
std::optional<std::u32string> DecodeUtf8(std::string_view text);

// Windows-1252 text in UTF-8. The five bytes the code page leaves undefined stand for the
// control characters of the same number, as Windows reads them.
std::string Windows1252ToUtf8(std::string_view text);

} // namespace tarn
