#include "helpviewer/Sitemap.h"

#include "helpviewer/HtmlText.h"

#include <optional>

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
    // The parameters of the entry whose <OBJECT> is open; the first of each name counts.
    struct OpenEntry {
        std::optional<std::string> name;
        std::optional<std::string> local;
    };
    std::optional<OpenEntry> open;
    for (const HtmlTag& tag : HtmlTags(html)) {
        if (tag.name == "ul") {
            tree.OpenList();
        } else if (tag.name == "/ul") {
            tree.CloseList();
        } else if (tag.name == "object") {
            open.reset();
            if (EqualsIgnoringCase(tag.Attribute("type"), "text/sitemap")) {
                open.emplace();
            }
        } else if (tag.name == "param" && open) {
            const std::string param = tag.Attribute("name");
            if (!open->name && EqualsIgnoringCase(param, "name")) {
                open->name = tag.Attribute("value");
            } else if (!open->local && EqualsIgnoringCase(param, "local")) {
                open->local = tag.Attribute("value");
            }
        } else if (tag.name == "/object" && open) {
            tree.Add({open->name.value_or(""), open->local.value_or(""), {}, ""});
            open.reset();
        }
    }
    return root;
}

} // namespace tarn::help
