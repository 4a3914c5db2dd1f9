#include "helpviewer/ArchivePath.h"

#include "helpviewer/HtmlText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace tarn::help {

namespace {

// The scheme of a link ("http" of "http://..."); empty when it has none.
std::string_view SchemeOf(std::string_view link) {
    const std::string_view scheme = link.substr(0, link.find(':'));
    const bool valid =
        scheme.size() < link.size() && std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' ||
                   c == '.';
        });
    return valid ? scheme : std::string_view();
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view digits = text.substr(i + 1, 2);
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (text[i] == '%' && digits.size() == 2 && error == std::errc() &&
            end == digits.data() + digits.size()) {
            out += static_cast<char>(value);
            i += digits.size();
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::optional<std::string> ResolveArchivePath(std::string_view from, std::string_view link) {
    link = link.substr(0, link.find_first_of("#?"));
    const std::string_view scheme = SchemeOf(link);
    if (!scheme.empty()) {
        const std::size_t inside = link.find("::");
        if (!(EqualsIgnoringCase(scheme, "ms-its") || EqualsIgnoringCase(scheme, "mk")) ||
            inside == std::string_view::npos) {
            return std::nullopt;
        }
        link = link.substr(inside + 2);
    }
    std::string joined;
    if (link.empty()) {
        joined = from;
    } else if (link.front() == '/') {
        joined = link;
    } else {
        joined = std::string(from.substr(0, from.rfind('/') + 1)) + std::string(link);
    }

    std::vector<std::string> parts;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = joined.find('/', start);
        const std::string part =
            PercentDecoded(std::string_view(joined).substr(start, end - start));
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string path;
    for (const std::string& part : parts) {
        path += '/' + part;
    }
    return path.empty() ? "/" : path;
}

std::string AnchorOf(std::string_view link) {
    const std::size_t hash = link.find('#');
    return hash == std::string_view::npos ? std::string() : std::string(link.substr(hash + 1));
}

bool OpensOnDesktop(std::string_view link) {
    const std::string_view scheme = SchemeOf(link);
    return EqualsIgnoringCase(scheme, "http") || EqualsIgnoringCase(scheme, "https") ||
           EqualsIgnoringCase(scheme, "mailto");
}

} // namespace tarn::help
