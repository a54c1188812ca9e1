#include "import/tag_mapping.h"

#include "import_test_env.h"

namespace zem::test {
namespace {

class TagMappingTest : public ImportTest {
  protected:
    // Host tag names with their parent's name ("" for top level), sorted.
    std::vector<std::pair<std::string, std::string>> HostTags() {
        std::vector<std::pair<std::string, std::string>> tags;
        for (const SqlRow& row :
             Kb("select t.name, coalesce(p.name, '') from tag t left join tag p on "
                "p.guid = t.parent_guid order by t.name, 2"))
            tags.emplace_back(row[0], row[1]);
        return tags;
    }
    using Pairs = std::vector<std::pair<std::string, std::string>>;
};

TEST(CleanTagNameTest, ReplacesTheFourSeparatorsOnly) {
    Text name = u" a\\b/c,d;e 中 ";
    CleanTagName(name);
    EXPECT_EQ(name, u" a-b-c-d-e 中 ");
}

TEST_F(TagMappingTest, TagMapKeysIgnoreLetterCaseAndLaterRowsWin) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddTag("1", "", "abc");
    ynote.AddTag("2", "", "x;y");
    ynote.AddTag("3", "9", "ABC");
    ynote.AddTag("4", "", "Ärger");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    TagMap map;
    ASSERT_TRUE(LoadTagMap(database.Get(), map));
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at(u"ABC").tagid, u"3");  // the later row replaced all three texts
    EXPECT_EQ(map.at(u"ABC").name, u"ABC");
    EXPECT_EQ(map.at(u"ABC").parentid, u"9");
    EXPECT_EQ(map.at(u"X-Y").name, u"x-y");
    EXPECT_EQ(map.begin()->first, u"ABC");
    EXPECT_EQ(map.rbegin()->first, u"ÄRGER");  // only a-z change case; UTF-16 order
}

TEST_F(TagMappingTest, RecreatesTheTagTreeReusingTagsTheHostKnows) {
    ComPtr<IUnknown> existing;
    ASSERT_EQ(Host()->CreateRootTag(u"旅行", u"", existing.Out()), S_OK);
    YNoteFixture& ynote = MakeFixture();
    ynote.AddTag("t1", "", "项目");
    ynote.AddTag("t2", "t1", "前端");
    ynote.AddTag("t3", "t2", "React");
    ynote.AddTag("t4", "", "旅行");
    ynote.AddTag("t5", "t4", "日本");
    ynote.AddTag("t6", "missing", "孤儿");
    ynote.AddTag("t7", "", "");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    TagMap map;
    LoadTagMap(database.Get(), map);
    CreateHostTags(Host(), nullptr, map, Text());
    EXPECT_EQ(
        HostTags(),
        (Pairs{{"React", "前端"}, {"前端", "项目"}, {"旅行", ""}, {"日本", "旅行"}, {"项目", ""}}));
}

// Depth first, siblings in key order (upper-cased name), whatever the order of the rows.
TEST_F(TagMappingTest, TagsAreCreatedInTheOrderOfTheMapKeys) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddTag("b", "", "B");
    ynote.AddTag("c", "b", "c");
    ynote.AddTag("e", "a", "E");
    ynote.AddTag("a", "", "a");
    ynote.AddTag("d", "a", "d");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    TagMap map;
    LoadTagMap(database.Get(), map);
    CreateHostTags(Host(), nullptr, map, Text());
    EXPECT_EQ(Kb("select name from tag order by rowid"),
              (SqlRows{{"a"}, {"d"}, {"E"}, {"B"}, {"c"}}));
}

TEST_F(TagMappingTest, MalformedParentLinksCannotMakeTheDescentEndless) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddTag("", "", "empty id");  // its children's parent id is its own
    ynote.AddTag("a", "", "top");      // a -> b -> a again through a repeated id
    ynote.AddTag("b", "a", "middle");
    ynote.AddTag("a", "b", "again");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    TagMap map;
    LoadTagMap(database.Get(), map);
    CreateHostTags(Host(), nullptr, map, Text());
    EXPECT_EQ(HostTags(),
              (Pairs{{"again", "middle"}, {"empty id", ""}, {"middle", "top"}, {"top", ""}}));
}

TEST_F(TagMappingTest, CreatesOneFolderPerNotebookExceptTheUnfiledOne) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddNotebook("n1", "工作");
    ynote.AddNotebook("n2", "生活");
    ynote.AddNotebook("n3", "a/b");
    ynote.AddNotebook("00000111", "未分类");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    CreateNotebookFolders(database.Get(), Host(), kYNoteRootFolder);
    SqlRows folders =
        Kb("select location from folder where location like '/有道云笔记/%' order by location");
    std::vector<std::string> locations;
    for (const SqlRow& row : folders)
        locations.push_back(row[0]);
    EXPECT_EQ(locations,
              (std::vector<std::string>{"/有道云笔记/", "/有道云笔记/a/", "/有道云笔记/a/b/",
                                        "/有道云笔记/工作/", "/有道云笔记/生活/"}));
}

TEST_F(TagMappingTest, PerNoteLookupsSurviveQuotesInIds) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddNotebook("it's", "引号");
    ynote.AddTag("o'k", "", "first");
    ynote.AddTag("", "", "empty");
    ynote.AddTag("z", "", "other");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());

    Text location = kYNoteRootFolder;
    ASSERT_TRUE(AppendNotebookName(database.Get(), u"it's", location));
    EXPECT_EQ(location, u"/有道云笔记/引号");
    location = kYNoteRootFolder;
    ASSERT_TRUE(AppendNotebookName(database.Get(), u"no such notebook", location));
    EXPECT_EQ(location, u"/有道云笔记/");

    TextList names;
    // Two commas in a row give an empty id between them; a crafted id matches nothing more.
    ASSERT_TRUE(LookupTagNames(u"o'k,,x') or ('1'='1", database.Get(), names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (TextList{u"empty", u"first"}));
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace zem::test
