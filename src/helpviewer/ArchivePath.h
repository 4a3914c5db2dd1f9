#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::help {

// The path inside the help file that a link on the page at `from` leads to ("/page.html"):
// relative to that page's folder unless it starts with "/", with "." and ".." taken away and
// %XX escapes decoded; an "ms-its:" or "mk:@MSITStore:" link by its part after "::". The
// fragment and query are left off, so a link to "#anchor" leads to `from` itself. Nothing for a
// link with any other scheme (http:, mailto:, file:, ...).
std::optional<std::string> ResolveArchivePath(std::string_view from, std::string_view link);

// The anchor of a link: the part after "#", if any.
std::string AnchorOf(std::string_view link);

// Whether a link is one that the desktop opens: a web page or an e-mail address.
bool OpensOnDesktop(std::string_view link);

} // namespace tarn::help
