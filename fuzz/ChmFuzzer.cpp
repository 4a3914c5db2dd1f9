// Feeds damaged help files to the help file reader: chmlib's reading of the archive, and ours of
// its #SYSTEM records, contents, index and pages. The bytes also go straight to the text readers,
// so that they are fuzzed whether or not chmlib accepts the file.
#include "helpviewer/ArchivePath.h"
#include "helpviewer/HelpManual.h"
#include "helpviewer/HtmlText.h"
#include "helpviewer/Sitemap.h"
#include "helpviewer/SystemRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// A topic is a clean absolute path: no empty, "." or ".." part.
void CheckTopic(const std::string& topic) {
    Check(!topic.empty() && topic.front() == '/');
    Check(topic == "/" || topic.back() != '/');
    Check(topic.find("//") == std::string::npos);
    Check((topic + '/').find("/./") == std::string::npos);
    Check((topic + '/').find("/../") == std::string::npos);
}

void ReadLinks(const tarn::help::HelpManual& manual, const std::string& page,
               std::string_view html) {
    for (const tarn::help::HtmlTag& tag : tarn::help::HtmlTags(html)) {
        for (const char* attribute : {"href", "src"}) {
            const std::optional<std::string> target =
                tarn::help::ResolveArchivePath(page, tag.Attribute(attribute));
            if (target) {
                CheckTopic(*target);
                (void)manual.Read(*target);
            }
        }
    }
}

void ReadEntries(const tarn::help::HelpManual& manual,
                 const std::vector<tarn::help::SitemapEntry>& entries) {
    for (const tarn::help::SitemapEntry& entry : entries) {
        if (!entry.local.empty()) {
            CheckTopic(entry.local);
            (void)manual.Read(entry.local);
        }
        ReadEntries(manual, entry.children);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)tarn::help::ParseSystemRecords(bytes);
    (void)tarn::help::ParseSitemap(bytes);
    if (const auto topic = tarn::help::ResolveArchivePath("/a/b.html", bytes)) {
        CheckTopic(*topic);
    }

    // chmlib opens files by name: the bytes go into a file in memory, opened through /proc.
    static const int file = memfd_create("help.chm", 0);
    Check(file >= 0);
    Check(ftruncate(file, 0) == 0);
    Check(pwrite(file, data, size, 0) == static_cast<ssize_t>(size));
    const tarn::help::HelpManual manual("/proc/self/fd/" + std::to_string(file));
    if (manual.Problem() != tarn::help::ArchiveProblem::None) {
        return 0;
    }
    if (!manual.DefaultTopic().empty()) {
        CheckTopic(manual.DefaultTopic());
    }
    ReadEntries(manual, manual.Contents());
    ReadEntries(manual, manual.Index());
    for (const std::string& page : manual.Files()) {
        // Opening read every object whole: each is there.
        const std::optional<std::string> text = manual.Read(page);
        Check(text.has_value());
        ReadLinks(manual, page, *text);
    }
    return 0;
}
