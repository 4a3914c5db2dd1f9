#include "helpviewer/HelpManual.h"

#include "helpviewer/ArchivePath.h"
#include "helpviewer/HtmlText.h"
#include "helpviewer/ReaderProcess.h"
#include "platform/SystemCalls.h"
#include "support/TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace tarn::help {
namespace {

namespace gm = ::testing;

constexpr const char* kManual = TARN_HELP_FILE;

void Walk(const std::vector<SitemapEntry>& entries,
          const std::function<void(const SitemapEntry&)>& visit) {
    for (const SitemapEntry& entry : entries) {
        visit(entry);
        Walk(entry.children, visit);
    }
}

bool HasAnchor(const std::string& html, const std::string& anchor) {
    return std::ranges::any_of(HtmlTags(html), [&](const HtmlTag& tag) {
        return tag.Attribute("id") == anchor ||
               (tag.name == "a" && tag.Attribute("name") == anchor);
    });
}

// Every entry of the built manual's contents and index, and every link of its pages, opens.
TEST(HelpManualTest, TheBuiltManualHoldsEveryPageItNamesAndLinksTo) {
    const HelpManual manual(kManual);
    ASSERT_TRUE(manual.Outcome().Ok()) << manual.Outcome().Reason();
    ASSERT_THAT(manual.Contents(), gm::Not(gm::IsEmpty()));
    ASSERT_THAT(manual.Index(), gm::Not(gm::IsEmpty()));
    EXPECT_EQ(manual.Title() + ", " + manual.DefaultTopic() + ", " + manual.Contents()[0].name,
              "Tarn MP3 Encoder Help, /welcome.html, Welcome");

    std::set<std::string> listed;
    for (const auto* sitemap : {&manual.Contents(), &manual.Index()}) {
        Walk(*sitemap, [&](const SitemapEntry& entry) {
            const std::optional<std::string> page = manual.Read(entry.local);
            EXPECT_TRUE(page) << entry.name << " opens '" << entry.local << "'";
            if (!entry.anchor.empty()) {
                EXPECT_TRUE(HasAnchor(page.value_or(""), entry.anchor))
                    << entry.name << " opens " << entry.local << "#" << entry.anchor;
            }
            if (sitemap == &manual.Contents()) {
                listed.insert(entry.local);
            }
        });
    }

    int pages = 0;
    for (const std::string& page : manual.Files()) {
        if (!page.ends_with(".html")) {
            continue;
        }
        ++pages;
        EXPECT_TRUE(listed.count(page)) << page << " is not in the contents";
        const std::string html = manual.Read(page).value_or("");
        EXPECT_THAT(html, gm::HasSubstr("</title>")) << page;
        for (const HtmlTag& tag : HtmlTags(html)) {
            for (const char* attribute : {"href", "src"}) {
                const std::string link = tag.Attribute(attribute);
                if (link.empty() || OpensOnDesktop(link)) {
                    continue;
                }
                const std::optional<std::string> target = ResolveArchivePath(page, link);
                const std::optional<std::string> text = target ? manual.Read(*target) : target;
                ASSERT_TRUE(text) << page << " links to " << link;
                if (!AnchorOf(link).empty()) {
                    EXPECT_TRUE(HasAnchor(*text, AnchorOf(link))) << page << " links to " << link;
                }
            }
        }
    }
    EXPECT_EQ(pages, static_cast<int>(listed.size()));
}

// Missing, not a help file, cut off anywhere: the problem is known at once and named.
TEST(HelpManualTest, ADamagedFileIsKnownAtOnce) {
    testing::TempDir dir;
    const std::string whole(std::istreambuf_iterator(std::ifstream(kManual).rdbuf()), {});
    using Case = std::pair<std::optional<std::string>, const char*>;
    std::vector<Case> cases = {Case{std::nullopt, " is missing"},
                               Case{"<html>no help</html>", " is not a compiled"},
                               Case{"ITS", " is not a compiled"}};
    // Damage chmlib does not survive: an LZX window of 0 (divides), a self-naming block (loops).
    for (const std::size_t at : {whole.find("LZXC") + 12, whole.find("PMGL") + 16}) {
        ASSERT_LT(at, whole.size());
        cases.emplace_back(std::string(whole).replace(at, 4, std::string(4, '\0')), " is damaged");
    }
    for (const std::size_t length :
         {std::size_t{4}, std::size_t{200}, whole.size() / 2, whole.size() - 1}) {
        cases.emplace_back(whole.substr(0, length), " is damaged");
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string file = dir.File(std::to_string(i) + ".chm");
        if (cases[i].first) {
            std::ofstream(file, std::ios::binary) << *cases[i].first;
        }
        const HelpManual manual(file);
        EXPECT_THAT(manual.Contents(), gm::IsEmpty()) << file;
        EXPECT_EQ(manual.DefaultTopic(), "") << file;
        EXPECT_THAT(manual.Outcome().Reason(), gm::HasSubstr(file + cases[i].second));
    }
    // Without a reader program that starts even a whole manual cannot be read: the reader is named.
    const std::string reader = dir.File("absent-reader");
    EXPECT_EQ(ReadArchive(kManual, reader).Outcome().Reason(),
              "The help reader " + reader + " could not be started: No such file or directory.");
    // A reader holds no file of ours, even one without O_CLOEXEC: here sh runs a "help file".
    const platform::sys::Descriptor held(::open(kManual, O_RDONLY));
    std::ofstream(dir.File("held.chm")) << "ITSF\nreadlink /proc/$$/fd/* >" << dir.File("held");
    static_cast<void>(ReadArchive(dir.File("held.chm"), "/bin/sh"));
    const std::string holds(std::istreambuf_iterator(std::ifstream(dir.File("held")).rdbuf()), {});
    EXPECT_THAT(holds, gm::Not(gm::HasSubstr(kManual)));
}

} // namespace
} // namespace tarn::help
