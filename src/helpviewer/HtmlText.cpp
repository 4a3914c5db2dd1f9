#include "helpviewer/HtmlText.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tarn::help {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads from `at` while `more` holds for the character there.
template <typename Predicate>
std::string_view ReadWhile(std::string_view text, std::size_t& at, Predicate more) {
    const std::size_t start = at;
    while (at < text.size() && more(text[at])) {
        ++at;
    }
    return text.substr(start, at - start);
}

std::string Utf8(char32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// The text a reference between & and ; stands for; empty when it is not one of ours.
std::string Referenced(std::string_view reference) {
    static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
    for (const auto& [name, text] : kNamed) {
        if (reference == name) {
            return std::string(text);
        }
    }
    if (reference.empty() || reference.front() != '#') {
        return {};
    }
    std::string_view digits = reference.substr(1);
    const bool hex = !digits.empty() && (digits.front() == 'x' || digits.front() == 'X');
    if (hex) {
        digits.remove_prefix(1);
    }
    std::uint32_t code = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (error != std::errc() || end != digits.data() + digits.size() || code == 0 ||
        code > 0x10FFFF || surrogate) {
        return {};
    }
    return Utf8(code);
}

bool IsReferenceCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '#';
}

} // namespace

std::string DecodeCharacterReferences(std::string_view text) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] != '&') {
            out += text[at++];
            continue;
        }
        std::size_t end = at + 1;
        const std::string_view reference = ReadWhile(text, end, IsReferenceCharacter);
        const std::string replaced =
            text.substr(end, 1) == ";" ? Referenced(reference) : std::string();
        if (replaced.empty()) {
            out += '&';
            ++at;
        } else {
            out += replaced;
            at = end + 1;
        }
    }
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string HtmlTag::Attribute(std::string_view attribute) const {
    for (const auto& [key, value] : attributes) {
        if (key == attribute) {
            return value;
        }
    }
    return {};
}

std::vector<HtmlTag> HtmlTags(std::string_view html) {
    std::vector<HtmlTag> tags;
    std::size_t at = 0;
    while ((at = html.find('<', at)) != std::string_view::npos) {
        if (html.substr(at, 4) == "<!--") {
            const std::size_t end = html.find("-->", at + 4);
            at = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        ++at;
        HtmlTag tag;
        std::size_t nameEnd = html.substr(at, 1) == "/" ? at + 1 : at;
        ReadWhile(html, nameEnd, [](char c) { return !IsSpace(c) && c != '>' && c != '/'; });
        tag.name = LowerCase(html.substr(at, nameEnd - at));
        at = nameEnd;
        while (at < html.size() && html[at] != '>') {
            if (IsSpace(html[at]) || html[at] == '/') {
                ++at;
                continue;
            }
            std::string name = LowerCase(ReadWhile(
                html, at, [](char c) { return !IsSpace(c) && c != '=' && c != '>' && c != '/'; }));
            ReadWhile(html, at, IsSpace);
            std::string_view value;
            if (html.substr(at, 1) == "=") {
                ++at;
                ReadWhile(html, at, IsSpace);
                const std::string_view next = html.substr(at, 1);
                if (next == "\"" || next == "'") {
                    const char quote = next.front();
                    ++at;
                    value = ReadWhile(html, at, [quote](char c) { return c != quote; });
                    ++at;
                } else {
                    value = ReadWhile(html, at, [](char c) { return !IsSpace(c) && c != '>'; });
                }
            }
            tag.attributes.emplace_back(std::move(name), DecodeCharacterReferences(value));
        }
        if (!tag.name.empty() && tag.name != "/") {
            tags.push_back(std::move(tag));
        }
    }
    return tags;
}

} // namespace tarn::help
