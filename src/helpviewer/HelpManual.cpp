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
    : path_(std::move(path)), archive_(std::move(archive)), problem_(archive_.Problem()) {
    if (problem_ != ArchiveProblem::None) {
        return;
    }
    const std::optional<std::string> system = archive_.Read("/#SYSTEM");
    if (!system) {
        problem_ = ArchiveProblem::Damaged;
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

Status HelpManual::Outcome() const {
    return problem_ == ArchiveProblem::None ? Status()
                                            : Status::Failure(ProblemText(problem_, path_));
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

std::string ProblemText(ArchiveProblem problem, const std::string& path) {
    const std::string lead = "The help file " + path;
    switch (problem) {
    case ArchiveProblem::None:
        break;
    case ArchiveProblem::Missing:
        return lead + " is missing.";
    case ArchiveProblem::Unreadable:
        return lead + " cannot be read.";
    case ArchiveProblem::NotChm:
        return lead + " is not a compiled HTML help (CHM) file.";
    case ArchiveProblem::Damaged:
        return lead + " is damaged or incomplete.";
    }
    return {};
}

} // namespace tarn::help
