#include "helpviewer/HelpManual.h"

#include "helpviewer/ArchivePath.h"
#include "helpviewer/ReaderProcess.h"
#include "helpviewer/SystemRecords.h"

namespace tarn::help {

namespace {

// Turns the entries' pages, written relative to the sitemap at `from`, into topics.
void ResolveTopics(std::vector<SitemapEntry>& entries, const std::string& from) {
    for (SitemapEntry& entry : entries) {
        if (!entry.local.empty()) {
            entry.anchor = AnchorOf(entry.local);
            entry.local = ResolveArchivePath(from, entry.local).value_or("");
        }
        ResolveTopics(entry.children, from);
    }
}

} // namespace

HelpManual::HelpManual(const std::string& path)
    : HelpManual(path, ReadArchive(path, ReaderProgramPath())) {}

HelpManual::HelpManual(std::string path, ChmArchive archive)
    : path_(std::move(path)), archive_(std::move(archive)), outcome_(archive_.Outcome()) {
    if (!outcome_) {
        return;
    }
    const std::optional<std::string> system = archive_.Read("/#SYSTEM");
    if (!system) {
        outcome_ = DamagedFile(path_);
        return;
    }
    const SystemRecords records = ParseSystemRecords(*system);
    title_ = records.title;
    if (!records.defaultTopic.empty()) {
        defaultTopic_ = ResolveArchivePath("/", records.defaultTopic).value_or("");
    }
    contents_ = ReadSitemap(records.contentsFile);
    index_ = ReadSitemap(records.indexFile);
}

std::vector<SitemapEntry> HelpManual::ReadSitemap(const std::string& name) const {
    const std::string sitemap = ResolveArchivePath("/", name).value_or("");
    const std::optional<std::string> text = name.empty() ? std::nullopt : archive_.Read(sitemap);
    if (!text) {
        return {};
    }
    std::vector<SitemapEntry> entries = ParseSitemap(*text);
    ResolveTopics(entries, sitemap);
    return entries;
}

} // namespace tarn::help
