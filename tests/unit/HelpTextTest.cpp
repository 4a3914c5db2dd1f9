#include "helpviewer/ArchivePath.h"
#include "helpviewer/HtmlText.h"
#include "helpviewer/Sitemap.h"
#include "helpviewer/SystemRecords.h"

#include <gtest/gtest.h>

namespace tarn::help {
namespace {

// A #SYSTEM record: code, length, bytes.
std::string Record(unsigned code, const std::string& data, std::size_t length = std::string::npos) {
    length = length == std::string::npos ? data.size() : length;
    const char header[] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8),
                           static_cast<char>(length & 0xFF), static_cast<char>(length >> 8)};
    return std::string(header, 4) + data;
}

TEST(SystemRecordsTest, ReadsTheNamesAndStopsAtTheEnd) {
    using namespace std::string_literals;
    const std::string version("\x03\0\0\0", 4), lng(300, 'x');
    using Row = std::pair<std::string, SystemRecords>;
    for (const auto& [bytes, read] :
         {Row{version + Record(9, "HHA\0"s) + Record(2, "a.htm\0"s) + Record(3, "Title\0"s) +
                  Record(0, "t.hhc\0"s) + Record(1, "t.hhk\0"s),
              {"t.hhc", "t.hhk", "a.htm", "Title"}},
          // Text ends at a NUL or at the record's end; a record may reach the file's end.
          Row{version + Record(3, "Ti\0tle"s) + Record(0, "t") + Record(2, "p.htm") + Record(0, ""),
              {"", "", "p.htm", "Ti"}},
          Row{version + Record(0x103, "not the title") + Record(3, lng), {"", "", "", lng}},
          // A record past the end, or a header cut off, ends the reading.
          Row{version + Record(2, "a.htm") + Record(3, "Title", 6), {"", "", "a.htm", ""}},
          Row{version + Record(2, "a.htm") + "\x03\0\x05"s, {"", "", "a.htm", ""}}}) {
        EXPECT_EQ(ParseSystemRecords(bytes), read) << testing::PrintToString(bytes);
    }
}

TEST(SitemapTest, ReadsNestedEntriesAsWritten) {
    const std::string hhc = R"(<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN"><HTML><BODY>
<OBJECT type="text/site properties"><param name="ImageType" value="Folder"></OBJECT>
<param name="Name" value="Stray"></OBJECT></UL><UL>
<LI><OBJECT type="text/sitemap"><param name="Name" value="One &amp; only"><param name="Local"
 value="one.html"><param name="Name" value="Second name"><param name="Local" value="2.html">
</OBJECT><ul><li><object TYPE="Text/Sitemap"><PARAM NAME="local" VALUE='a/b.html#x'>
<param name=NAME value=Sub></object>
<!-- <OBJECT type="text/sitemap"><param name="Name" value="Hidden"></OBJECT> -->
<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Deep"></OBJECT></UL>
<li><object type="text/sitemap"><param name="Name" value="Sub 2"></object></ul>
<LI><OBJECT type="text/sitemap"><param name="Name" value="Three"><param name="Local" value="3.html">
</OBJECT></UL></BODY></HTML>)";
    const std::vector<SitemapEntry> expected = {
        {"One & only", "one.html", {{"Sub", "a/b.html#x", {{"Deep", "", {}}}}, {"Sub 2", "", {}}}},
        {"Three", "3.html", {}}};
    EXPECT_EQ(ParseSitemap(hhc), expected);
    EXPECT_EQ(
        ParseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Cut"),
        std::vector<SitemapEntry>{});
}

TEST(HtmlTextTest, ReadsTagsAttributesAndWellFormedCharacterReferences) {
    using Attributes = std::vector<std::pair<std::string, std::string>>;
    const std::vector<HtmlTag> tags = HtmlTags(
        "<!----><A HREF='x y.html' title=bare data-x = \"a&lt;b\" checked/>text</a><!-- <i> -->"
        "<br/>< ><img src=\"cut\" alt");
    ASSERT_EQ(tags.size(), 4U);
    EXPECT_EQ(tags[0].name + tags[1].name + tags[2].name + tags[3].name, "a/abrimg");
    EXPECT_EQ(
        tags[0].attributes,
        (Attributes{{"href", "x y.html"}, {"title", "bare"}, {"data-x", "a<b"}, {"checked", ""}}));
    EXPECT_EQ(tags[0].Attribute("title") + tags[0].Attribute("alt"), "bare");
    EXPECT_TRUE(tags[2].attributes.empty());
    EXPECT_EQ(tags[3].attributes, (Attributes{{"src", "cut"}, {"alt", ""}}));
    for (const auto& [text, decoded] :
         {std::pair{"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
          {"&#65;&#233;", "A\xC3\xA9"},
          {"&#x20AC;&#X1F600;", "\xE2\x82\xAC\xF0\x9F\x98\x80"},
          {"a & b; &copy; &amp &#; &#x; &#0; &#12a; &a65;",
           "a & b; &copy; &amp &#; &#x; &#0; &#12a; &a65;"},
          {"&#xD800;&#xDFFF;&#x110000;", "&#xD800;&#xDFFF;&#x110000;"},
          {"&#x7F;&#x80;&#x7FF;&#x800;&#xFFFF;&#x10000;",
           "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80"},
          {"&#xD7FF;&#xE000;&#x10FFFF;", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"}}) {
        EXPECT_EQ(DecodeCharacterReferences(text), decoded);
    }
}

TEST(ArchivePathTest, ResolvesFromThePagesFolder) {
    // link, path in the archive ("-": none), opens on the desktop, anchor
    using Row = std::tuple<const char*, const char*, bool, const char*>;
    for (const auto& [link, path, desktop, anchor] :
         {Row{"../../a/../up.html", "/up.html", false, ""},
          Row{"./a/.//b.html", "/dir/a/b.html", false, ""},
          Row{"#frag", "/dir/page.html", false, "frag"},
          Row{"x.html?q=1#f", "/dir/x.html", false, "f"},
          Row{"my%20d%6Fc%2Ehtml", "/dir/my doc.html", false, ""},
          Row{"%zz%4g%2", "/dir/%zz%4g%2", false, ""},
          Row{"ms-its:tarnme.chm::/about.html#top", "/about.html", false, "top"},
          Row{"MS-ITS:tarnme.chm::sub/a.html", "/dir/sub/a.html", false, ""},
          Row{"mk:@MSITStore:tarnme.chm::/a/b.html", "/a/b.html", false, ""},
          Row{"ms-its:tarnme.chm", "-", false, ""}, Row{"http://example.org/a.html", "-", true, ""},
          Row{"mailto:tarn@example.org", "-", true, ""}, Row{"file:///etc/passwd", "-", false, ""},
          Row{"a/b:c.html", "/dir/a/b:c.html", false, ""},
          Row{":x.html", "/dir/:x.html", false, ""}}) {
        EXPECT_EQ(ResolveArchivePath("/dir/page.html", link).value_or("-"), path) << link;
        EXPECT_EQ(OpensOnDesktop(link), desktop) << link;
        EXPECT_EQ(AnchorOf(link), anchor) << link;
    }
}

} // namespace
} // namespace tarn::help
