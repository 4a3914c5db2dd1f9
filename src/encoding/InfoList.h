#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarn {

// The longest text a field keeps, in bytes of UTF-8.
inline constexpr std::size_t kMaxFieldBytes = 1024;

// The texts a WAV file's INFO lists give, in UTF-8; empty where they give none.
struct TagFields {
    std::string title;
    std::string artist;
    std::string album;
    std::string date; // a date or a year
    std::string track;
    std::string genre;
    std::string comment;

    bool operator==(const TagFields&) const = default;
};

// The text of an INFO field: up to its first NUL, taken as UTF-8 when it is valid UTF-8 and as
// Windows-1252 otherwise, cut to kMaxFieldBytes at a character boundary, without trailing blanks.
std::string InfoFieldText(std::string_view raw);

// The fields of the body of a LIST chunk of form type INFO: INAM, IART, IPRD, ICRD, ITRK or IPRT
// (the first that has a text), IGNR and ICMT; other fields are passed over. Nothing for another
// form type, or for a damaged list: a field that runs past the list's end or misses its pad
// byte, an identifier that is not text, or loose bytes at the end.
std::optional<TagFields> ParseInfoList(std::span<const std::uint8_t> body);

// Fills the fields `into` lacks from `from`.
void CompleteFields(TagFields& into, const TagFields& from);

} // namespace tarn
