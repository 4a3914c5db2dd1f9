#pragma once

#include "common/Status.h"
#include "helpviewer/ChmArchive.h"
#include "helpviewer/Sitemap.h"

#include <optional>
#include <string>
#include <vector>

namespace tarn::help {

// A help file opened for reading: its title, its default topic, its contents and its index.
// Topics are paths inside the file ("/welcome.html"); an entry that opens no page there has an
// empty topic (`local`), and one that opens a part of a page has its anchor.
class HelpManual {
public:
    // Reads `path` through this program's help reader, waiting for its answer.
    explicit HelpManual(const std::string& path);
    // The manual in `archive`, read from `path`.
    HelpManual(std::string path, ChmArchive archive);

    const std::string& Path() const { return path_; }
    // Whether it can be shown; when not, the words that say why, naming the file.
    const Status& Outcome() const { return outcome_; }
    const std::string& Title() const { return title_; }
    const std::string& DefaultTopic() const { return defaultTopic_; }
    const std::vector<SitemapEntry>& Contents() const { return contents_; }
    const std::vector<SitemapEntry>& Index() const { return index_; }

    std::optional<std::string> Read(const std::string& topic) const { return archive_.Read(topic); }
    const std::vector<std::string>& Files() const { return archive_.Files(); }

private:
    std::vector<SitemapEntry> ReadSitemap(const std::string& name) const;

    std::string path_;
    ChmArchive archive_;
    Status outcome_;
    std::string title_;
    std::string defaultTopic_;
    std::vector<SitemapEntry> contents_;
    std::vector<SitemapEntry> index_;
};

} // namespace tarn::help
