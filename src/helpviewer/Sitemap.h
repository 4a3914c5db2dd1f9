#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::help {

// One entry of a help file's contents (.hhc) or index (.hhk): the name shown and the page it
// opens, as written there, with the entries nested under it. The anchor is the part of the page
// to show, once the page has been resolved (see HelpManual).
struct SitemapEntry {
    std::string name;
    std::string local;
    std::vector<SitemapEntry> children;
    std::string anchor;

    bool operator==(const SitemapEntry&) const = default;
};

// Reads the entries of a sitemap: each <OBJECT type="text/sitemap"> with its "Name" and "Local"
// parameters (the first of each counts), nested as their <UL> lists are. Tags, attribute names
// and the parameters' names are matched in any letter case.
std::vector<SitemapEntry> ParseSitemap(std::string_view html);

} // namespace tarn::help
