#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::help {

// A start or end tag of an HTML text: its name in lower case ("a", "/ul"), and its attributes,
// their names in lower case and their values with character references replaced.
struct HtmlTag {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;

    // The value of the first attribute of that (lower-case) name; empty when there is none.
    std::string Attribute(std::string_view attribute) const;
};

// The tags of an HTML text in order, comments left out. Text between tags is skipped; a tag
// cut off by the end of the text still counts.
std::vector<HtmlTag> HtmlTags(std::string_view html);

// Replaces the references &amp; &lt; &gt; &quot; &apos; and &#N; / &#xN; (written as UTF-8);
// anything else that starts with & stays as it is.
std::string DecodeCharacterReferences(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

} // namespace tarn::help
