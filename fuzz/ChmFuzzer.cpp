// Feeds damaged input to the help file reader. The bytes are taken as a message of the help
// reader program, which the receiver must judge without trusting it, and the manual it makes is
// read through: #SYSTEM records, contents, index and pages. Bytes that begin as a help file does
// also go to the help reader program itself, chmlib and all; only this side's coverage guides
// the fuzzer. The bytes go straight to the text readers as well.
#include "helpviewer/ArchivePath.h"
#include "helpviewer/HelpManual.h"
#include "helpviewer/HtmlText.h"
#include "helpviewer/ReaderMessage.h"
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

// Reads all of a manual that opened.
void ReadThrough(const tarn::help::HelpManual& manual) {
    if (!manual.Outcome()) {
        return;
    }
    if (!manual.DefaultTopic().empty()) {
        CheckTopic(manual.DefaultTopic());
    }
    ReadEntries(manual, manual.Contents());
    ReadEntries(manual, manual.Index());
    for (const std::string& page : manual.Files()) {
        // The archive holds every object whole: each is there.
        const std::optional<std::string> text = manual.Read(page);
        Check(text.has_value());
        ReadLinks(manual, page, *text);
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
    ReadThrough(
        tarn::help::HelpManual("message", tarn::help::ArchiveFromMessage(bytes, "message")));
    if (!bytes.starts_with("ITSF")) {
        return 0;
    }
    // The reader program opens files by name: the bytes go into a file in memory, which it
    // opens through this process's entry in /proc.
    static const int file = memfd_create("help.chm", MFD_CLOEXEC);
    Check(file >= 0);
    Check(ftruncate(file, 0) == 0);
    Check(pwrite(file, data, size, 0) == static_cast<ssize_t>(size));
    ReadThrough(tarn::help::HelpManual("/proc/" + std::to_string(getpid()) + "/fd/" +
                                       std::to_string(file)));
    return 0;
}
