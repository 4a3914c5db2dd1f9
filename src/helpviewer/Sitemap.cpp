#include "helpviewer/Sitemap.h"

#include "helpviewer/HtmlText.h"

namespace tarn::help {

namespace {

// Where each new entry goes: the list of the innermost open <UL>, within the entry before it.
class TreeBuilder {
public:
    explicit TreeBuilder(std::vector<SitemapEntry>& root) : levels_{&root} {}

    void OpenList() {
        std::vector<SitemapEntry>& current = *levels_.back();
        levels_.push_back(current.empty() ? &current : &current.back().children);
    }
    void CloseList() {
        if (levels_.size() > 1) {
            levels_.pop_back();
        }
    }
    void Add(SitemapEntry entry) { levels_.back()->push_back(std::move(entry)); }

private:
    std::vector<std::vector<SitemapEntry>*> levels_;
};

} // namespace

std::vector<SitemapEntry> ParseSitemap(std::string_view html) {
    std::vector<SitemapEntry> root;
    TreeBuilder tree(root);
    bool inEntry = false;
    bool named = false;
    bool located = false;
    SitemapEntry entry;
    for (const HtmlTag& tag : HtmlTags(html)) {
        if (tag.name == "ul") {
            tree.OpenList();
        } else if (tag.name == "/ul") {
            tree.CloseList();
        } else if (tag.name == "object") {
            inEntry = EqualsIgnoringCase(tag.Attribute("type"), "text/sitemap");
            entry = {};
            named = located = false;
        } else if (tag.name == "param" && inEntry) {
            const std::string param = tag.Attribute("name");
            if (!named && EqualsIgnoringCase(param, "name")) {
                entry.name = tag.Attribute("value");
                named = true;
            } else if (!located && EqualsIgnoringCase(param, "local")) {
                entry.local = tag.Attribute("value");
                located = true;
            }
        } else if (tag.name == "/object" && inEntry) {
            tree.Add(std::move(entry));
            inEntry = false;
        }
    }
    return root;
}

} // namespace tarn::help
