#include "import/note_body.h"

#include <filesystem>

#include "import/note_resources.h"
#include "import_test_env.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "util/paths.h"
#include "util/text_file_reader.h"

namespace zem::test {
namespace {

TEST(NoteBodyPositionTest, AfterTheFirstBodyStartTagOfAnyFormInMarkup) {
    struct Case {
        Text html, expected;
    } cases[] = {
        {u"<head></head><body></body>", u"<head></head><body>B</body>"},
        {u"<body><body>", u"<body>B<body>"},
        {u"<BODY class=\"a>b\" id=x>\n</BODY>", u"<BODY class=\"a>b\" id=x>B\n</BODY>"},
        {u"<bodyx><Body\n>", u"<bodyx><Body\n>B"},
        {u"<body class='c'>", u"<body class='c'>B"},
        {u"<p>no body</p>", u"<p>no body</p>B"},
        {u"<body unterminated", u"<body unterminatedB"},
        // Only markup counts: not a style sheet's comment, a script, an HTML comment or an
        // attribute value.
        {u"<head><style id=\"zem_custom_css\">/* <body> */ p{}</style></head><body></body>",
         u"<head><style id=\"zem_custom_css\">/* <body> */ p{}</style></head><body>B</body>"},
        {u"<STYLE>a{}<body></Style><script>'<body>'</script><!-- <body> --><div "
         u"title=\"<body>\"><BODY>",
         u"<STYLE>a{}<body></Style><script>'<body>'</script><!-- <body> --><div "
         u"title=\"<body>\"><BODY>B"},
        {u"<style><body>", u"<style><body>B"},
    };
    for (const Case& c : cases) {
        Text html = c.html;
        html.insert(NoteBodyPosition(html), u"B");
        EXPECT_EQ(html, c.expected) << Utf8(c.html);
    }
}

TEST(NoteHtmlFileNameTest, UnsafeNoteIdsGetDistinctSafeNames) {
    EXPECT_EQ(NoteHtmlFileName(u"WEB1a2b3c"), u"WEB1a2b3c.htm");
    EXPECT_EQ(NoteHtmlFileName(u"笔记-1"), u"笔记-1.htm");
    std::vector<Text> names;
    for (const char16_t* id :
         {u"../../escape", u"a/b", u"a:b", u"it's", u"", u"..", u"x\\y", u"/etc/passwd"}) {
        const Text name = NoteHtmlFileName(id);
        EXPECT_EQ(name.find(u'/'), Text::npos) << Utf8(id);
        EXPECT_TRUE(IsPathInsideFolder(name)) << Utf8(id);
        EXPECT_TRUE(name.ends_with(u".htm")) << Utf8(id);
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 0) << Utf8(id);
        names.push_back(name);
    }
    EXPECT_LE(ToUtf8(NoteHtmlFileName(Text(200, u'长'))).size(), 255u);
}

class BuildNoteHtmlFileTest : public ImportTest {};

TEST_F(BuildNoteHtmlFileTest, TemplateStyleBodyAndLocalPictures) {
    YNoteFixture& ynote = MakeFixture();
    const std::string noteId = "../it's";
    ynote.AddNote({.noteId = noteId,
                   .title = "t",
                   .body = "\xEF\xBB\xBF<p>图 <img src=\"RES1\"> and again RES1</p>"});
    ynote.AddResource("RES1", noteId, 1, "user\\RES1.png", "picture bytes");
    ynote.AddResource("RES2", noteId, 2, "user\\other.bin", "not in the html");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    const std::string importFolder = folder_ + "/import/";
    TextList written;
    ResourceStore store(FromUtf8(ynote.StorageFolder()), true);
    NoteTemplate noteTemplate;
    const Text path = BuildNoteHtmlFile(database.Get(), FromUtf8(noteId), FromUtf8(importFolder),
                                        store, noteTemplate, &written);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(GetFolderPart(path), FromUtf8(importFolder));

    Text html;
    ASSERT_TRUE(LoadTextFile(path, html));
    EXPECT_NE(html.find(u"id=\"zem_custom_css\""), Text::npos);
    EXPECT_NE(html.find(u"<p>图 <img src=\"user/RES1.png\"> and again user/RES1.png</p>"),
              Text::npos);
    EXPECT_EQ(html.find(u"\uFEFF<p>"), Text::npos);
    EXPECT_LT(html.find(u"zem_custom_css"), html.find(u"<p>图"));
    EXPECT_EQ(ReadFileBytes(importFolder + "user/RES1.png"), "picture bytes");
    EXPECT_FALSE(std::filesystem::exists(importFolder + "user/other.bin"));
    EXPECT_EQ(written, (TextList{path, FromUtf8(importFolder + NativePath("user/RES1.png"))}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(BuildNoteHtmlFileTest, AnEmptyBodyLeavesTheStyledTemplate) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddNote({.noteId = "n", .title = "t", .body = ""});
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    ResourceStore store(Text(), true);
    NoteTemplate noteTemplate;
    const Text path = BuildNoteHtmlFile(database.Get(), u"n", FromUtf8(folder_ + "/import/"), store,
                                        noteTemplate);
    Text html;
    ASSERT_TRUE(LoadTextFile(path, html));
    EXPECT_NE(html.find(u"zem_custom_css"), Text::npos);
    EXPECT_NE(html.find(u"<body>\n</body>"), Text::npos);
}

TEST_F(BuildNoteHtmlFileTest, NotesAfterTheFirstGetTheKeptTemplateWithTheirOwnBodies) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddNote({.noteId = "a", .title = "a", .body = "<p>first</p>"});
    ynote.AddNote({.noteId = "b", .title = "b", .body = "<p>second</p>"});
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    ResourceStore store(Text(), true);
    NoteTemplate noteTemplate;
    const Text folder = FromUtf8(folder_ + "/import/");
    Text first, second;
    ASSERT_TRUE(
        LoadTextFile(BuildNoteHtmlFile(database.Get(), u"a", folder, store, noteTemplate), first));
    ASSERT_TRUE(
        LoadTextFile(BuildNoteHtmlFile(database.Get(), u"b", folder, store, noteTemplate), second));
    EXPECT_NE(first.find(u"<body><p>first</p>"), Text::npos);
    EXPECT_NE(second.find(u"<body><p>second</p>"), Text::npos);
    EXPECT_EQ(second.find(u"first"), Text::npos);
    EXPECT_EQ(first.substr(0, first.find(u"<body>")), second.substr(0, second.find(u"<body>")));
}

}  // namespace
}  // namespace zem::test
