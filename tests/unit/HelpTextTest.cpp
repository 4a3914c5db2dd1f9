#include "helpviewer/ArchivePath.h"
#include "helpviewer/HtmlText.h"
#include "helpviewer/Sitemap.h"
#include "helpviewer/SystemRecords.h"
#include "support/TableRows.h"

#include <gtest/gtest.h>

namespace tarn::help {
namespace {

using testing::RowName;

// A #SYSTEM record: code, length, bytes.
std::string Record(unsigned code, const std::string& data, std::size_t length = std::string::npos) {
    length = length == std::string::npos ? data.size() : length;
    const char header[] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8),
                           static_cast<char>(length & 0xFF), static_cast<char>(length >> 8)};
    return std::string(header, 4) + data;
}

const std::string kVersion("\x03\0\0\0", 4);

struct SystemCase {
    const char* name;
    std::string bytes;
    SystemRecords read;
};

class SystemRecordsTest : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SystemRecordsTest, ReadsTheNamesAndStopsAtTheEnd) {
    EXPECT_EQ(ParseSystemRecords(GetParam().bytes), GetParam().read);
}

const std::string kLong(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Records, SystemRecordsTest,
    ::testing::Values(
        SystemCase{"all_four_among_others",
                   kVersion + Record(9, std::string("HHA\0", 4)) +
                       Record(2, std::string("a.htm\0", 6)) + Record(3, std::string("Title\0", 6)) +
                       Record(0, std::string("t.hhc\0", 6)) + Record(1, std::string("t.hhk\0", 6)),
                   {"t.hhc", "t.hhk", "a.htm", "Title"}},
        SystemCase{"text_ends_at_nul_or_record",
                   kVersion + Record(3, std::string("Ti\0tle", 6)) + Record(2, "page.html") +
                       Record(0, ""),
                   {"", "", "page.html", "Ti"}},
        SystemCase{"long_record_and_high_code_byte",
                   kVersion + Record(0x103, "not the title") + Record(3, kLong),
                   {"", "", "", kLong}},
        SystemCase{"record_reaching_the_end", kVersion + Record(3, "Title"), {"", "", "", "Title"}},
        SystemCase{"empty_last_record_counts", kVersion + Record(3, "Old") + Record(3, ""), {}},
        SystemCase{"record_past_the_end",
                   kVersion + Record(2, "a.htm") + Record(3, "Title", 6),
                   {"", "", "a.htm", ""}},
        SystemCase{"header_cut_off",
                   kVersion + Record(2, "a.htm") + std::string("\x03\0\x05", 3),
                   {"", "", "a.htm", ""}},
        SystemCase{"version_only_cut_off", Record(3, "Title").substr(0, 3), {}},
        SystemCase{"no_version", Record(3, "Title"), {}}),
    RowName);

TEST(SitemapTest, ReadsNestedEntriesAsWritten) {
    const std::string hhc = R"(<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">
<HTML><BODY><OBJECT type="text/site properties"><param name="ImageType" value="Folder"></OBJECT>
<param name="Name" value="Stray"></OBJECT></UL>
<UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="One &amp; only">
      <param name="Local" value="one.html"><param name="Name" value="Second name">
      <param name="Local" value="second.html"></OBJECT>
  <ul>
    <li><object TYPE="Text/Sitemap"><PARAM NAME="local" VALUE='a/b.html#x'><param name=NAME value=Sub></object>
    <!-- <OBJECT type="text/sitemap"><param name="Name" value="Hidden"></OBJECT> -->
    <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Deep"></OBJECT></UL>
    <li><object type="text/sitemap"><param name="Name" value="Sub 2"></object>
  </ul>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Three"><param name="Local" value="3.html"></OBJECT>
</UL></BODY></HTML>)";
    const std::vector<SitemapEntry> expected = {
        {"One & only", "one.html", {{"Sub", "a/b.html#x", {{"Deep", "", {}}}}, {"Sub 2", "", {}}}},
        {"Three", "3.html", {}}};
    EXPECT_EQ(ParseSitemap(hhc), expected);
    EXPECT_EQ(
        ParseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Cut"),
        std::vector<SitemapEntry>{});
}

TEST(HtmlTextTest, ReadsTagsAndAttributesInAnyForm) {
    const std::vector<HtmlTag> tags = HtmlTags(
        "<!----><A HREF='x y.html' title=bare data-x = \"a&lt;b\" checked/>text</a><!-- <i> -->"
        "<br/>< ><img src=\"cut\" alt");
    ASSERT_EQ(tags.size(), 4U);
    EXPECT_EQ(tags[0].name, "a");
    EXPECT_EQ(tags[0].attributes,
              (std::vector<std::pair<std::string, std::string>>{
                  {"href", "x y.html"}, {"title", "bare"}, {"data-x", "a<b"}, {"checked", ""}}));
    EXPECT_EQ(tags[0].Attribute("title"), "bare");
    EXPECT_EQ(tags[0].Attribute("alt"), "");
    EXPECT_EQ(tags[1].name, "/a");
    EXPECT_EQ(tags[2].name, "br");
    EXPECT_TRUE(tags[2].attributes.empty());
    EXPECT_EQ(tags[3].attributes,
              (std::vector<std::pair<std::string, std::string>>{{"src", "cut"}, {"alt", ""}}));
}

struct DecodeCase {
    const char* name;
    const char* text;
    const char* decoded;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, ReplacesReferences) {
    EXPECT_EQ(DecodeCharacterReferences(GetParam().text), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    References, DecodeTest,
    ::testing::Values(
        DecodeCase{"named", "&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        DecodeCase{"decimal", "&#65;&#233;", "A\xC3\xA9"},
        DecodeCase{"hex_three_bytes", "&#x20AC;", "\xE2\x82\xAC"},
        DecodeCase{"hex_four_bytes", "&#X1F600;", "\xF0\x9F\x98\x80"},
        DecodeCase{"not_references", "a & b; &copy; &amp &#; &#x; &#0; &#12a; &a65;",
                   "a & b; &copy; &amp &#; &#x; &#0; &#12a; &a65;"},
        DecodeCase{"out_of_range", "&#xD800;&#xDFFF;&#x110000;", "&#xD800;&#xDFFF;&#x110000;"},
        DecodeCase{"edges_of_the_ranges", "&#x7F;&#x80;&#x7FF;&#x800;&#xFFFF;&#x10000;",
                   "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80"},
        DecodeCase{"around_surrogates", "&#xD7FF;&#xE000;", "\xED\x9F\xBF\xEE\x80\x80"},
        DecodeCase{"last_code_point", "&#x10FFFF;", "\xF4\x8F\xBF\xBF"}),
    RowName);

struct LinkCase {
    const char* name;
    const char* link;
    std::optional<std::string> path;
    bool desktop;
    const char* anchor = "";
};

class ArchivePathTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ArchivePathTest, ResolvesFromThePagesFolder) {
    EXPECT_EQ(ResolveArchivePath("/dir/page.html", GetParam().link), GetParam().path);
    EXPECT_EQ(OpensOnDesktop(GetParam().link), GetParam().desktop);
    EXPECT_EQ(AnchorOf(GetParam().link), GetParam().anchor);
}

INSTANTIATE_TEST_SUITE_P(
    Links, ArchivePathTest,
    ::testing::Values(
        LinkCase{"sibling", "other.html", "/dir/other.html", false},
        LinkCase{"up", "../up.html", "/up.html", false},
        LinkCase{"above_the_root", "../../a/../up.html", "/up.html", false},
        LinkCase{"dots_and_slashes", "./a/.//b.html", "/dir/a/b.html", false},
        LinkCase{"absolute", "/root.html", "/root.html", false},
        LinkCase{"anchor_only", "#frag", "/dir/page.html", false, "frag"},
        LinkCase{"empty", "", "/dir/page.html", false},
        LinkCase{"query_and_anchor", "x.html?q=1#f", "/dir/x.html", false, "f"},
        LinkCase{"escapes", "my%20d%6Fc%2Ehtml", "/dir/my doc.html", false},
        LinkCase{"bad_escapes", "%zz%4g%2", "/dir/%zz%4g%2", false},
        LinkCase{"its", "ms-its:tarnme.chm::/about.html#top", "/about.html", false, "top"},
        LinkCase{"its_relative", "MS-ITS:tarnme.chm::sub/a.html", "/dir/sub/a.html", false},
        LinkCase{"msitstore", "mk:@MSITStore:tarnme.chm::/a/b.html", "/a/b.html", false},
        LinkCase{"its_without_path", "ms-its:tarnme.chm", std::nullopt, false},
        LinkCase{"web", "http://example.org/a.html", std::nullopt, true},
        LinkCase{"secure_web", "HTTPS://example.org/", std::nullopt, true},
        LinkCase{"mail", "mailto:tarn@example.org", std::nullopt, true},
        LinkCase{"file", "file:///etc/passwd", std::nullopt, false},
        LinkCase{"script", "javascript:alert(1)", std::nullopt, false},
        LinkCase{"colon_after_a_folder", "a/b:c.html", "/dir/a/b:c.html", false},
        LinkCase{"leading_colon", ":x.html", "/dir/:x.html", false}),
    RowName);

} // namespace
} // namespace tarn::help
