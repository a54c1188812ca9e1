// The translation files the program ships: every text the program shows has its
// translation, and the keys are written the way the loader looks them up.
#include <gtest/gtest.h>

#include "app/resource_ids.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "platform/ui/resource_table.h"

namespace zem {
namespace {

Text ShippedFolder(const char* language) {
    return FromUtf8(std::string(ZEM_SOURCE_DIR) + "/resources/translations/" + language + "/");
}

const CZemTranslationsStringTable& Load(const char* language) {
    static std::map<std::string, CZemTranslationsStringTable> tables;
    auto& table = tables[language];
    if (table.entries.empty()) {
        EXPECT_TRUE(LoadTranslationsFrom(table, ShippedFolder(language), u"ZemYNote"));
    }
    return table;
}

Text Translated(const char* language, const Text& text) {
    Text result;
    Translate(Load(language), text, result);
    return result;
}

TEST(ShippedTranslationsTest, ChineseSetsTranslateEveryStringOfTheTable) {
    InstallProgramResources();
    std::vector<int> ids;
    for (int id = IDS_ABOUTBOX; id <= IDS_IMPORT_COMPLETED; ++id)
        ids.push_back(id);
    for (int id : {IDS_IMPORT_AGAIN, IDS_EARLIER_IMPORTS_UNREADABLE, IDS_KNOWLEDGE_BASE_IN_USE,
                   IDS_WAITING_FOR_KNOWLEDGE_BASE, IDS_KNOWLEDGE_BASE_STILL_IN_USE,
                   IDS_WAITING_FOR_OTHER_IMPORT})
        ids.push_back(id);
    for (const char* language : {"2052", "1028"}) {
        for (int id : ids) {
            Text english;
            ASSERT_TRUE(ui::LoadString(id, english)) << id;
            Text chinese = Translated(language, english);
            EXPECT_NE(chinese, english) << language << " " << id;
            // Placeholders and line breaks survive the translation.
            for (const char16_t* placeholder : {u"%1", u"%2"})
                EXPECT_EQ(english.find(placeholder) != Text::npos,
                          chinese.find(placeholder) != Text::npos)
                    << language << " " << id;
            EXPECT_EQ(english.find(u'\n') != Text::npos, chinese.find(u'\n') != Text::npos)
                << language << " " << id;
        }
        EXPECT_NE(Translated(language, u"Can not create database object"),
                  u"Can not create database object");
    }
    EXPECT_EQ(Translated("2052", u"Import completed"), u"导入完成");
    EXPECT_EQ(Translated("1028", u"Import completed"), u"匯入完成");
    // The file filter keeps its "description|pattern|" form.
    EXPECT_TRUE(Translated("2052", u"VEzizo Notebook File (*.db)|*.db|").ends_with(u"|*.db|"));
}

TEST(ShippedTranslationsTest, EnglishSetTurnsTheDialogIntoEnglish) {
    EXPECT_EQ(Translated("1033", u"导入有道云笔记数据到泽门笔记"), u"Import YNote Data into Zem");
    for (const Text chinese : {u"有道云笔记数据文件：帐号.db:", u"浏览", u"确定", u"取消"}) {
        Text english = Translated("1033", chinese);
        EXPECT_NE(english, chinese);
        for (char16_t c : english)
            EXPECT_LT(c, 0x80) << ToUtf8(english);
    }
    EXPECT_EQ(Translated("1028", u"浏览"), u"瀏覽");
}

}  // namespace
}  // namespace zem
