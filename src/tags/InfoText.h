#pragma once

#include <cstddef>
#include <string_view>
#include <taglib/infotag.h>

namespace tarn {

// The longest text an INFO field gives, in bytes of UTF-8.
inline constexpr std::size_t kMaxInfoTextBytes = 1024;

// Whether the bytes are well-formed UTF-8: no stray continuation byte, no sequence cut short, no
// overlong form, no surrogate and nothing above U+10FFFF.
bool IsUtf8(std::string_view text);

// How the texts of INFO lists are read: up to their first NUL, as UTF-8 where they are valid
// UTF-8 and as Windows-1252 otherwise (what Windows programs write), cut to kMaxInfoTextBytes at
// a character boundary, without trailing blanks. The five bytes the code page leaves undefined
// stand for the control characters of the same number, as Windows reads them.
class InfoTextHandler : public TagLib::RIFF::Info::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override;
};

} // namespace tarn
