// Taking an HTML file in as a document's content: encodings, the local files it links, and
// the links rewritten to their copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

// The folder of the document's content, once the document is stored.
std::string ContentFolder(const KnowledgeBaseFixture& kb, IZemKMDocument* document,
                          const std::string& title) {
    EXPECT_EQ(Commit(document), S_OK);
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    return kb.folder + "/documents/" +
           index.Value("SELECT guid FROM document WHERE title = ?", {title}) + "/";
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The path part of a file: address for an absolute path: "/tmp/x" as it is, "C:\x" as "/C:/x".
std::string UrlPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return !path.empty() && path[0] == '/' ? path : "/" + path;
}

TEST(HtmlImport, LocalFilesAreCopiedAndTheirLinksRewritten) {
    KnowledgeBaseFixture kb("html");
    const std::string work = MakeTestFolder("import");
    const std::string page = work + "/notes/note.htm";
    std::map<std::string, std::string> files = {
        {"res/pic 1.png", "picture one"},
        {"res/a&b.png", "ampersand"},
        {"res/bg.png", "background"},
        {"res/div.png", "div background"},
        {"res/doc.pdf", "a document"},
        {"res/css-bg.png", "from the style sheet"},
        {"res/img/deep.png", "deeper"},
        {"res/commented.png", "in a comment"},
        {"res/style.css",
         "p{background:url(\"../res/css-bg.png\")} "
         "h1{background:URL(img/deep.png)} h2{background:url(../../x.png)}"},
    };
    for (const auto& [name, bytes] : files)
        WriteFileBytes(work + "/notes/" + name, bytes);
    WriteFileBytes(work + "/outside.png", "outside");
    const std::string absolute = work + "/notes/res/bg.png";
    const std::string html =
        "<!DOCTYPE html>\r\n<html><head>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
        "<style>body{background:url('res/bg.png')}</style>"
        "<link rel=\"stylesheet\" href=\"res/style.css\"></head>\r\n"
        "<body><p>中文 text</p>"
        "<img src=\"res\\pic 1.png\"><IMG SRC=\"res/pic%201.png\"><img src='res/a&amp;b.png'>"
        "<div style=\"background-image: url(res/div.png)\"></div>"
        "<a href=\"./res/doc.pdf#page=2\">doc</a>"
        "<img src=\"../outside.png\"><img src=\"res/../../outside.png\">"
        "<img src=\"" +
        absolute +
        "\"><a href=\"http://example.com/res/bg.png\">web</a>"
        "<img src=\"data:image/png;base64,AAAA\"><img src=\"res/missing.png\">"
        "<!-- <img src=\"res/commented.png\"> --></body></html>";
    WriteFileBytes(page, Utf16LeWithMark(html));

    auto document = kb.NewDocument(u"page");
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), FromUtf8(page).c_str(),
                                           kUpdateFromHtmlFileFlags),
              S_OK);

    const std::string content = ContentFolder(kb, document.Get(), "page");
    const std::string out = ReadFileBytes(content + "index.html");
    Text decoded;
    EXPECT_TRUE(FromUtf8Strict(out, decoded)) << "written as UTF-8";
    EXPECT_NE(out.find("<html><head><meta charset=\"utf-8\">"), std::string::npos) << out;
    EXPECT_EQ(Count(out, "charset"), 1u) << "the old declaration is gone";
    EXPECT_NE(out.find("<p>中文 text</p>"), std::string::npos);
    for (const std::string rewritten :
         {"url('index_files/res/bg.png')", "href=\"index_files/res/style.css\"",
          "src='index_files/res/a%26b.png'",
          "style=\"background-image: url(index_files/res/div.png)\"",
          "href=\"index_files/res/doc.pdf#page=2\""})
        EXPECT_EQ(Count(out, rewritten), 1u) << rewritten << "\n" << out;
    EXPECT_EQ(Count(out, "=\"index_files/res/pic%201.png\""), 2u) << out;
    // An absolute path inside the page's folder names one of its files as well.
    EXPECT_EQ(Count(out, "src=\"index_files/res/bg.png\""), 1u) << out;
    for (const std::string& kept : std::vector<std::string>{
             "src=\"../outside.png\"", "src=\"res/../../outside.png\"",
             "href=\"http://example.com/res/bg.png\"", "src=\"data:image/png;base64,AAAA\"",
             "src=\"res/missing.png\"", "<!-- <img src=\"res/commented.png\"> -->"})
        EXPECT_EQ(Count(out, kept), 1u) << kept;

    std::set<std::string> copied;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(content + "index_files"))
        if (entry.is_regular_file())
            copied.insert(
                std::filesystem::relative(entry.path(), content + "index_files").generic_string());
    EXPECT_EQ(copied, (std::set<std::string>{"res/pic 1.png", "res/a&b.png", "res/bg.png",
                                             "res/div.png", "res/doc.pdf", "res/style.css",
                                             "res/css-bg.png", "res/img/deep.png"}));
    for (const std::string& name : copied)
        EXPECT_EQ(ReadFileBytes(content + "index_files/" + name), files[name]) << name;
}

// How a browser splits a page into tags, comments and text decides which links the page
// has: each case is a page and the page the engine writes for it (after its charset line).
TEST(HtmlImport, LinksAreFoundWhereABrowserFindsThem) {
    const struct {
        const char* page;
        const char* written;
    } cases[] = {
        // Comments, and the short forms that end at once.
        {"<!-- <img src=\"a.png\"> -->", nullptr},
        {"<!--><img src=\"a.png\">", "<!--><img src=\"index_files/a.png\">"},
        {"<!---><img src=\"a.png\">", "<!---><img src=\"index_files/a.png\">"},
        {"<!-- x --!><img src=\"a.png\">", "<!-- x --!><img src=\"index_files/a.png\">"},
        {"<!-- x -- ><img src=\"a.png\"> -->", nullptr},
        {"<!-- never closed <img src=\"a.png\">", nullptr},
        // Text up to the element's own end tag.
        {"<script>document.write('<img src=\"a.png\">')</script>", nullptr},
        {"<script>s = '</scripts><img src=\"a.png\">'</script>", nullptr},
        {"<SCRIPT>a</SCRIPT ><img src=a.png>", "<SCRIPT>a</SCRIPT ><img src=index_files/a.png>"},
        {"<textarea><img src=\"a.png\"></textarea>", nullptr},
        {"<title><img src=\"a.png\"></title><img src=\"b.png\">",
         "<title><img src=\"a.png\"></title><img src=\"index_files/b.png\">"},
        {"<plaintext></plaintext><img src=\"a.png\">", nullptr},
        // What a browser reads as a comment up to the next ">".
        {"<?xml version=\"1.0\"?><img src=\"a.png\">",
         "<?xml version=\"1.0\"?><img src=\"index_files/a.png\">"},
        {"<? <img src=\"a.png\"> ?>", nullptr},
        {"<![CDATA[<img src=\"a.png\">]]>", nullptr},
        {"</ <img src=\"a.png\">", nullptr},
        // End tags hold no links; "<" before anything but a letter is text.
        {"</p <img src=\"a.png\">", nullptr},
        {"a < b <img src=\"a.png\">", "a < b <img src=\"index_files/a.png\">"},
        // Attributes: unquoted, spaced, after "/", repeated, in a tag that never closes.
        {"<img src=a.png>", "<img src=index_files/a.png>"},
        {"<img src='a.png'>", "<img src='index_files/a.png'>"},
        {"<img src = \"a.png\" >", "<img src = \"index_files/a.png\" >"},
        {"<img/src=\"a.png\">", "<img/src=\"index_files/a.png\">"},
        {"<img src=\"a.png\" src=\"b.png\">", "<img src=\"index_files/a.png\" src=\"b.png\">"},
        {"<img src=\"b.png\"><img alt=\"x <img src=a.png>",
         "<img src=\"index_files/b.png\"><img alt=\"x <img src=a.png>"},
        // Character references in values.
        {"<img src=a&amp;b.png>", "<img src=index_files/a%26b.png>"},
        {"<img src=\"&#97;.png\">", "<img src=\"index_files/a.png\">"},
        {"<img src=\"&#x61;.png\">", "<img src=\"index_files/a.png\">"},
        {"<img src=\"&#X00000061.png\">", "<img src=\"index_files/a.png\">"},
        {"<img src=\"&#128;.png\">", "<img src=\"index_files/€.png\">"},
        {"<img src=\"&eacute;.png\">", "<img src=\"index_files/é.png\">"},
        {"<img src=\"&eacute.png\">", "<img src=\"index_files/é.png\">"},
        {"<img src=\"&Eacute;&hellip;.png\">", "<img src=\"index_files/É….png\">"},
        {"<img src=\"a&copy=2.png\">", "<img src=\"index_files/a%26copy=2.png\">"},
        {"<img src=\"&#0;.png\">", nullptr},
        {"<img src=\"&#99999999999;.png\">", nullptr},
        {"<img src=\"&nosuchname;.png\">", "<img src=\"index_files/%26nosuchname;.png\">"},
        {"<img src=\"%61.png?v=1#x\">", "<img src=\"index_files/a.png?v=1#x\">"},
        // Every place a browser fetches a picture or a style sheet from.
        {"<img srcset=\" a.png,, b.png 100w,a.png (x, y) 2x\">",
         "<img srcset=\" index_files/a.png,, index_files/b.png 100w,index_files/a.png (x, y) "
         "2x\">"},
        {"<img srcset=\"a.png 1x,&#32;b.png 2x\">",
         "<img srcset=\"index_files/a.png 1x, index_files/b.png 2x\">"},
        {"<picture><source srcset=a.png type=image/png><img src=b.png></picture>",
         "<picture><source srcset=index_files/a.png type=image/png><img "
         "src=index_files/b.png></picture>"},
        {"<input type=image src=a.png><video poster=a.png src=b.png><track src=a.png></video>",
         "<input type=image src=index_files/a.png><video poster=index_files/a.png "
         "src=index_files/b.png><track src=index_files/a.png></video>"},
        {"<audio src=a.png></audio><embed src=a.png><object data=b.png></object><image src=a.png>",
         "<audio src=index_files/a.png></audio><embed src=index_files/a.png><object "
         "data=index_files/b.png></object><image src=index_files/a.png>"},
        {"<svg><image href=\"a.png\"/><image xlink:href='b.png'/></svg>",
         "<svg><image href=\"index_files/a.png\"/><image xlink:href='index_files/b.png'/></svg>"},
        {"<link rel=icon href=a.png><table background=a.png><tr><td background=b.png>",
         "<link rel=icon href=index_files/a.png><table background=index_files/a.png><tr><td "
         "background=index_files/b.png>"},
        {"<p style=\"background:url( 'a.png' ); list-style: URL(b\\.png)\">",
         "<p style=\"background:url( 'index_files/a.png' ); list-style: URL(index_files/b.png)\">"},
        {"<style>@import \"a.png\"; @import url(b.png); p{background:url(\"a.png\")}</style>",
         "<style>@import \"index_files/a.png\"; @import url(index_files/b.png); "
         "p{background:url(\"index_files/a.png\")}</style>"},
        {"<p style='background: image-set(\"a.png\" 1x, url(b.png) 2x, \"b.png\" type(\"x\"))'>"
         "<p style='background: -webkit-image-set(\"a.png\" 1x); content: \"b.png\"'>",
         "<p style='background: image-set(\"index_files/a.png\" 1x, url(index_files/b.png) 2x, "
         "\"index_files/b.png\" type(\"x\"))'><p style='background: "
         "-webkit-image-set(\"index_files/a.png\" 1x); content: \"b.png\"'>"},
        // Places that hold text, or markup a browser does not fetch from.
        {"<style>/* url(a.png) */ p{content:\"url(a.png)\"} <img src=a.png></style>", nullptr},
        {"<template><img src=\"a.png\"><template></template><img src=a.png></template>", nullptr},
        {"<template><p></template><img src=a.png>",
         "<template><p></template><img "
         "src=index_files/a.png>"},
        {"<noscript><img src=\"a.png\"></noscript>", nullptr},
        {"<xmp><img src=a.png></xmp><noembed><img src=a.png></noembed>", nullptr},
        {"<noframes><img src=a.png></noframes><iframe><img src=a.png></iframe>", nullptr},
        {"<script><!--<script></script><img src=a.png></script>", nullptr},
        {"<script><!--</script><img src=a.png>",
         "<script><!--</script><img src=index_files/a.png>"},
        // SVG and MathML: no text elements there, CDATA sections, and the tags that leave them.
        {"<svg><style><img src=a.png></style></svg>",
         "<svg><style><img src=index_files/a.png></style></svg>"},
        {"<svg><![CDATA[<img src=a.png>]]></svg>", nullptr},
        {"<![CDATA[ > <img src=a.png> ]]>", "<![CDATA[ > <img src=index_files/a.png> ]]>"},
        {"<math><mtext><title><img src=a.png></title></mtext></math>", nullptr},
    };
    KnowledgeBaseFixture kb("tokenized");
    const std::string work = MakeTestFolder("tokens");
    for (const char* name : {"a.png", "b.png", "a&b.png", "€.png", "é.png", "É….png",
                             "a&copy=2.png", "&nosuchname;.png"})
        WriteFileBytes(work + "/" + name, name);
    int number = 0;
    for (const auto& c : cases) {
        const std::string page = work + "/page" + std::to_string(++number) + ".htm";
        WriteFileBytes(page, c.page);
        const Text title = FromUtf8("page " + std::to_string(number));
        auto document = kb.NewDocument(title.c_str());
        ASSERT_EQ(
            document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", kUpdateFromHtmlFileFlags),
            S_OK)
            << c.page;
        EXPECT_EQ(ReadFileBytes(ContentFolder(kb, document.Get(), ToUtf8(title)) + "index.html"),
                  std::string("<meta charset=\"utf-8\">") + (c.written ? c.written : c.page))
            << c.page;
    }
}

// Imports `html` as the page `name` in `folder`, and gives the page written.
// `content` (may be null) receives the document's folder.
std::string ImportedPage(KnowledgeBaseFixture& kb, const std::string& folder,
                         const std::string& name, const std::string& html,
                         std::string* content = nullptr) {
    const std::string page = folder + "/" + name;
    WriteFileBytes(page, html);
    auto document = kb.NewDocument(FromUtf8(name).c_str());
    EXPECT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", kUpdateFromHtmlFileFlags),
              S_OK)
        << html;
    const std::string documentFolder = ContentFolder(kb, document.Get(), name);
    if (content)
        *content = documentFolder;
    return ReadFileBytes(documentFolder + "index.html");
}

// A <base> changes what every later relative link means; the page keeps working without it:
// its own files are copied, its other links made absolute, and its href dropped.
TEST(HtmlImport, APageWithABaseKeepsWorking) {
    KnowledgeBaseFixture kb("base");
    const std::string work = MakeTestFolder("based");
    for (const char* name : {"own.png", "res/a.png", "sub/s.png"})
        WriteFileBytes(work + "/" + name, name);
    const std::string meta = "<meta charset=\"utf-8\">";
    EXPECT_EQ(
        ImportedPage(kb, work, "web.htm",
                     "<img src=pic.png><base target=_blank href=\"https://example.com/dir/x.htm\">"
                     "<base href=\"https://else.org/\"><img src=own.png><img src=pic.png>"
                     "<a href=\"other.html#x\">o</a><a href=\"/root?q\">r</a><a href=\"#top\">t</a>"
                     "<a href=\"http://else.org/\">e</a><div style=\"background:url(res/a.png)\">"
                     "</div><img srcset=\"own.png 1x, two.png 2x\"><template><img src=pic.png>"
                     "</template>"),
        meta +
            "<img src=pic.png><base target=_blank><base><img src=index_files/own.png>"
            "<img src=https://example.com/dir/pic.png>"
            "<a href=\"https://example.com/dir/other.html#x\">o</a>"
            "<a href=\"https://example.com/root?q\">r</a>"
            "<a href=\"https://example.com/dir/x.htm#top\">t</a><a href=\"http://else.org/\">e</a>"
            "<div style=\"background:url(index_files/res/a.png)\"></div>"
            "<img srcset=\"index_files/own.png 1x, https://example.com/dir/two.png 2x\">"
            "<template><img src=pic.png></template>");
    // A relative base names a folder of the page's own: links to files there are copied, the
    // rest stays as written.
    EXPECT_EQ(ImportedPage(kb, work, "relative.htm",
                           "<base href='sub/'><img src=s.png><img src=own.png><img src=gone.png>"
                           "<a href=x.html>x</a><img src=../res/a.png>"),
              meta +
                  "<base><img src=index_files/sub/s.png><img src=index_files/own.png>"
                  "<img src=gone.png><a href=x.html>x</a><img src=index_files/res/a.png>");
}

// No link of the page written leads outside the document's folder to a file that was copied,
// and a file is stored once however often it is linked.
TEST(HtmlImport, LinksLeadIntoTheDocumentOrStayAsTheyWere) {
    KnowledgeBaseFixture kb("inside");
    const std::string work = MakeTestFolder("linked");
    const std::string folder = work + "/notes";
    WriteFileBytes(folder + "/a b.png", "a");
    WriteFileBytes(folder + "/css/img/deep.png", "deep");
    WriteFileBytes(folder + "/css/style.css", "p{background:url(" + UrlPath(folder) +
                                                  "/css/img/deep.png)} h1{background:url(img/"
                                                  "deep.png)} h2{background:url(../../out.png)}");
    WriteFileBytes(work + "/out.png", "outside");
    std::string content;
    const std::string out = ImportedPage(
        kb, folder, "page.htm",
        "<img src=\"file://" + UrlPath(folder) + "/a%20b.png\"><img src=\"file://localhost" +
            UrlPath(folder) + "/a b.png#f\"><img src=\"" + folder +
            "/a%20b.png\"><img src='a b.png'>"
            "<img src=../out.png><img src=\"" +
            work + "/out.png\"><img src=\"file://" + UrlPath(work) +
            "/out.png\"><img src=%2e%2e/out.png><img src=css%2F..%2F..%2Fout.png>"
            "<img src=\"file://elsewhere" +
            UrlPath(folder) +
            "/a%20b.png\"><img src=missing.png>"
            "<link rel=stylesheet href=css/style.css>"
            "<link rel=stylesheet href=css//style.css><img src=.//a%20b.png>",
        &content);
    for (const std::string& expected : std::vector<std::string>{
             "<img src=\"index_files/a%20b.png\"><img src=\"index_files/a%20b.png#f\">"
             "<img src=\"index_files/a%20b.png\"><img src='index_files/a%20b.png'>",
             "<img src=../out.png><img src=\"" + work + "/out.png\"><img src=\"file://" +
                 UrlPath(work) +
                 "/out.png\"><img src=%2e%2e/out.png><img src=css%2F..%2F..%2Fout.png>",
             "<img src=missing.png><link rel=stylesheet href=index_files/css/style.css>"
             "<link rel=stylesheet href=index_files/css/style.css>"
             "<img src=index_files/a%20b.png>"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    std::set<std::string> copied;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(content + "index_files"))
        if (entry.is_regular_file())
            copied.insert(std::filesystem::relative(entry.path(), Utf8Path(content + "index_files"))
                              .generic_string());
    EXPECT_EQ(copied, (std::set<std::string>{"a b.png", "css/style.css", "css/img/deep.png"}));
    // The style sheet's absolute link now leads to the copy beside it, however the page named
    // the sheet; the rest is as it was.
    EXPECT_EQ(ReadFileBytes(content + "index_files/css/style.css"),
              "p{background:url(img/deep.png)} h1{background:url(img/deep.png)} "
              "h2{background:url(../../out.png)}");
}

TEST(HtmlImport, PagesAreReadInTheEncodingTheyWereSavedIn) {
    auto utf16 = [](const std::string& utf8, bool bigEndian) {
        std::string bytes;
        for (char16_t unit : FromUtf8(utf8)) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    const std::string body = "<html><head></head><body><p>中文 and some English text</p>";
    const struct {
        const char* what;
        std::string bytes;
        std::string expected;
    } pages[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + body, "中文 and"},
        {"UTF-8 without declaration", body, "中文 and"},
        {"UTF-16LE without mark", utf16(body, false), "中文 and"},
        {"UTF-16BE with mark", "\xFE\xFF" + utf16(body, true), "中文 and"},
        {"declared GBK", "<meta charset=\"gbk\"><p>\xD6\xD0\xCE\xC4</p>", "<p>中文</p>"},
        {"declared Big5 in http-equiv",
         "<meta http-equiv='content-type' content='text/html;charset=big5'><p>\xA4\xA4</p>",
         "<p>中</p>"},
        {"neither declared nor UTF-8", "<p>caf\xE9</p>", "<p>café</p>"},
    };
    KnowledgeBaseFixture kb("encodings");
    const std::string work = MakeTestFolder("pages");
    for (const auto& page : pages) {
        const std::string path = work + "/" + page.what + ".htm";
        WriteFileBytes(path, page.bytes);
        auto document = kb.NewDocument(FromUtf8(page.what).c_str());
        ASSERT_EQ(
            document->UpdateFromHtmlFile(FromUtf8(path).c_str(), u"", kUpdateFromHtmlFileFlags),
            S_OK);
        const std::string out =
            ReadFileBytes(ContentFolder(kb, document.Get(), page.what) + "index.html");
        EXPECT_NE(out.find(page.expected), std::string::npos) << page.what << ": " << out;
        EXPECT_EQ(Count(out, "charset"), 1u) << page.what << ": " << out;
    }
}

TEST(HtmlImport, AnUnreadablePageFailsAndKeepsThePreviousContent) {
    KnowledgeBaseFixture kb("replace");
    const std::string page = MakeTestFolder("page") + "/a.htm";
    WriteFileBytes(page, "<p>first</p>");
    auto document = kb.NewDocument(u"doc");
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", kUpdateFromHtmlFileFlags),
              S_OK);
    EXPECT_LT(document->UpdateFromHtmlFile(u"/no/such/page.htm", u"", kUpdateFromHtmlFileFlags), 0);
    const std::string index = ContentFolder(kb, document.Get(), "doc") + "index.html";
    EXPECT_NE(ReadFileBytes(index).find("<p>first</p>"), std::string::npos);
    WriteFileBytes(page, "<p>second</p>");
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", kUpdateFromHtmlFileFlags),
              S_OK);
    // The stored document's new page takes the old one's place once its changes are stored.
    ASSERT_EQ(ComPtr<IZemKMDocumentCommit>::QueryFrom(document.Get())->CommitChanges(), S_OK);
    EXPECT_EQ(ReadFileBytes(index), "<meta charset=\"utf-8\"><p>second</p>");
    // A replaced page leaves nothing of itself behind.
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(ContentFolder(kb, document.Get(), "doc")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"index.html"});
}

}  // namespace
}  // namespace zem::test
