// Taking an HTML file in as a document's content: encodings, the local files it links, and
// the links rewritten to their copies.
#include <gtest/gtest.h>

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
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), FromUtf8(page).c_str(), 0x22),
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
          "src=\"index_files/res/a%26b.png\"",
          "style=\"background-image: url(index_files/res/div.png)\"",
          "href=\"index_files/res/doc.pdf#page=2\""})
        EXPECT_EQ(Count(out, rewritten), 1u) << rewritten << "\n" << out;
    EXPECT_EQ(Count(out, "=\"index_files/res/pic%201.png\""), 2u) << out;
    for (const std::string& kept : std::vector<std::string>{
             "src=\"../outside.png\"", "src=\"res/../../outside.png\"", "src=\"" + absolute + "\"",
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
        {"<SCRIPT>a</SCRIPT ><img src=a.png>",
         "<SCRIPT>a</SCRIPT ><img src=\"index_files/a.png\">"},
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
        {"<img src=a.png>", "<img src=\"index_files/a.png\">"},
        {"<img src='a.png'>", "<img src=\"index_files/a.png\">"},
        {"<img src = \"a.png\" >", "<img src = \"index_files/a.png\" >"},
        {"<img/src=\"a.png\">", "<img/src=\"index_files/a.png\">"},
        {"<img src=\"a.png\" src=\"b.png\">", "<img src=\"index_files/a.png\" src=\"b.png\">"},
        {"<img src=\"b.png\"><img alt=\"x <img src=a.png>",
         "<img src=\"index_files/b.png\"><img alt=\"x <img src=a.png>"},
        // Character references in values.
        {"<img src=a&amp;b.png>", "<img src=\"index_files/a%26b.png\">"},
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
        ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", 0x22), S_OK) << c.page;
        EXPECT_EQ(ReadFileBytes(ContentFolder(kb, document.Get(), ToUtf8(title)) + "index.html"),
                  std::string("<meta charset=\"utf-8\">") + (c.written ? c.written : c.page))
            << c.page;
    }
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
        ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(path).c_str(), u"", 0x22), S_OK);
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
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", 0x22), S_OK);
    EXPECT_LT(document->UpdateFromHtmlFile(u"/no/such/page.htm", u"", 0x22), 0);
    const std::string index = ContentFolder(kb, document.Get(), "doc") + "index.html";
    EXPECT_NE(ReadFileBytes(index).find("<p>first</p>"), std::string::npos);
    WriteFileBytes(page, "<p>second</p>");
    ASSERT_EQ(document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", 0x22), S_OK);
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
