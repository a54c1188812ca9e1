#include <gtest/gtest.h>

#include "platform/files.h"

#include <filesystem>
#include <fstream>

#include "app/resource_ids.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "platform/text.h"
#include "platform/ui/window.h"
#include "support/test_home.h"

namespace zem {
namespace {

void WriteUtf8(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

class TranslationsTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = test::MakeTestFolder("translations") + "/";
        GetTranslationTable().entries.clear();
        InstallProgramResources();
    }
    void TearDown() override { GetTranslationTable().entries.clear(); }

    // In the system's own form, as the program's folder comes.
    Text Folder() const { return ToNativeSeparators(FromUtf8(folder_)); }
    void Write(const std::string& name, const std::string& content) {
        WriteUtf8(folder_ + name, content);
    }

    std::string folder_;
};

TEST_F(TranslationsTest, SharedFilesAloneLoadNothing) {
    Write("globals.ini", "Import completed=G\n");
    CZemTranslationsStringTable table;
    EXPECT_FALSE(LoadTranslationsFrom(table, Folder(), u"ZemYNote"));
    EXPECT_TRUE(table.entries.empty());
    EXPECT_FALSE(LoadTranslationsFrom(table, Text(), u"ZemYNote"));
}

TEST_F(TranslationsTest, OwnFileWinsOverSharedFilesAndFillsResourceStrings) {
    Write("globals.ini", "Import completed=G\nCan't get field value.=V\n");
    Write("share.ini", "Import completed=S\n");
    Write("ZemYNote.ini",
          "[Translations]\n"
          "; a comment=no\n"
          "Import completed=T\n"
          "File does not exists:\\n\\n%1=Missing:\\n%1!\n");
    ASSERT_TRUE(LoadTranslationsFrom(GetTranslationTable(), Folder(), u"ZemYNote"));
    EXPECT_EQ(TranslateResourceString(IDS_IMPORT_COMPLETED), u"T");
    EXPECT_EQ(TranslateResourceString(IDS_FIELD_VALUE_FAILED), u"V");
    // The key is written with "\n" for each line feed; the translation gets real ones.
    EXPECT_EQ(TranslateResourceStringArg(IDS_FILE_NOT_EXISTS, u"/a/b.db"), u"Missing:\n/a/b.db!");
    EXPECT_EQ(TranslateResourceString(9999), u"");
    EXPECT_EQ(GetTranslationTable().entries.count(u"; a comment"), 0u);
    EXPECT_EQ(GetTranslationTable().entries.count(u"[Translations]"), 0u);
}

TEST_F(TranslationsTest, LinesKeepTheirInnerBlanksAndSplitAtTheFirstEquals) {
    Write("t.ini", "  x==y  \r\nkey = text\r\nno equals here\r\n\r\n=empty key\r\n");
    CZemTranslationsStringTable table;
    ASSERT_TRUE(LoadTranslationFile(table, Folder() + u"t.ini"));
    EXPECT_EQ(table.entries.at(u"x"), u"=y");
    EXPECT_EQ(table.entries.at(u"key "), u" text");
    EXPECT_EQ(table.entries.at(u""), u"empty key");
    EXPECT_EQ(table.entries.size(), 3u);
    EXPECT_FALSE(LoadTranslationFile(table, Folder() + u"missing.ini"));
}

TEST_F(TranslationsTest, ReadsUtf16Files) {
    std::u16string content = u"\uFEFFImport completed=导入完成\r\n";
    std::string bytes;
    for (char16_t c : content) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    Write("u16.ini", bytes);
    CZemTranslationsStringTable table;
    ASSERT_TRUE(LoadTranslationFile(table, Folder() + u"u16.ini"));
    EXPECT_EQ(table.entries.at(u"Import completed"), u"导入完成");
}

TEST(TranslateTest, ProductTokenAndFallbacks) {
    CZemTranslationsStringTable table;
    table.Set(u"Backslash", u"\\");
    table.Set(u"Empty", u"");
    table.Set(u"Tab\\tquote\"\"", u"ok\\t\"\"{p}");
    table.Set(u"Hello", u"Bonjour {p}");
    const struct {
        Text source, translation;
    } cases[] = {
        {u"{P}", u"Zem"},           {u"About {p}", u"About Zem"}, {u"About {P}", u"About {P}"},
        {u"Backslash", u"\\"},      {u"Empty", u"Empty"},         {u"Tab\tquote\"", u"ok\t\"Zem"},
        {u"Hello", u"Bonjour Zem"},
    };
    Text result;
    for (const auto& c : cases) {
        EXPECT_TRUE(Translate(table, c.source, result)) << ToUtf8(c.source);
        EXPECT_EQ(result, c.translation) << ToUtf8(c.source);
    }
    EXPECT_FALSE(Translate(table, u"", result));
    EXPECT_EQ(result, u"");
}

TEST(EscapeTest, BothDirections) {
    const Text plain = u"a\tb\nc\rd\"e\\f";
    EXPECT_EQ(EscapeText(plain), u"a\\tb\\nc\\rd\"\"e\\\\f");
    EXPECT_EQ(UnescapeText(EscapeText(plain)), plain);
    // After a replacement the walk goes on behind it: backslash, backslash, n is "\n".
    EXPECT_EQ(UnescapeText(u"\\\\n"), u"\\n");
    EXPECT_EQ(UnescapeText(u"\\x\\"), u"\\x\\");
    EXPECT_EQ(UnescapeText(u"\"\"\""), u"\"\"");
}

// Roots come back in the platform's own form, ending with its separator.
TEST_F(TranslationsTest, RootFromTheProgramFolderFile) {
    const auto native = [](const Text& path) { return ToNativeSeparators(path); };
    EXPECT_EQ(ComputeTranslationsRoot(Folder()), native(Folder() + u"translations/"));
    Write("translations.ini", "[Common]\nPath=lang\\zh\n");
    EXPECT_EQ(ComputeTranslationsRoot(Folder()), native(Folder() + u"lang/zh/"));
    Write("translations.ini", "[Common]\nPath=../shared/tr/\n");
    Text parent = Folder().substr(0, Folder().find_last_of(u"/\\", Folder().size() - 2) + 1);
    EXPECT_EQ(ComputeTranslationsRoot(Folder()), native(parent + u"shared/tr/"));
    Write("translations.ini", "[Common]\nPath=/opt/zem/tr\n");
    EXPECT_EQ(ComputeTranslationsRoot(Folder()), native(u"/opt/zem/tr/"));
    Write("translations.ini", "[Common]\nOther=1\n");
    EXPECT_EQ(ComputeTranslationsRoot(Folder()), native(Folder() + u"translations/"));
}

TEST_F(TranslationsTest, LanguageFolderExistsOrIsEmpty) {
    std::filesystem::create_directories(folder_ + "2052");
    EXPECT_EQ(GetLanguageFolderIn(Folder(), 2052), ToNativeSeparators(Folder() + u"2052/"));
    EXPECT_EQ(GetLanguageFolderIn(Folder(), 1028), u"");
    EXPECT_EQ(GetLanguageFolderIn(Folder(), 0), u"");
}

// A window tree: dialog > [static "A", edit "A" > [static "A"], static "B" > [static "A"]].
TEST(TranslateWindowTest, SkipsEditTextsAndVisitsDescendantsOncePerAncestor) {
    CZemTranslationsStringTable table;
    table.Set(u"A", u"B");
    table.Set(u"B", u"C");
    ui::Window dialog(ui::kDialogClass, 0, 0, u"A");
    ui::Window& label = dialog.AddChild(std::make_unique<ui::Window>(u"Static", 1, 0, u"A"));
    ui::Window& edit = dialog.AddChild(std::make_unique<ui::Window>(u"EDIT", 2, 0, u"A"));
    ui::Window& inEdit = edit.AddChild(std::make_unique<ui::Window>(u"Static", 3, 0, u"A"));
    ui::Window& group = dialog.AddChild(std::make_unique<ui::Window>(u"Static", 4, 0, u"Z"));
    ui::Window& inGroup = group.AddChild(std::make_unique<ui::Window>(u"Static", 5, 0, u"A"));
    ui::Window& combo = dialog.AddChild(std::make_unique<ui::Window>(u"ComboBox", 6, 0, u"A"));

    TranslateWindow(table, dialog);
    EXPECT_EQ(dialog.GetText(), u"B");
    EXPECT_EQ(label.GetText(), u"B");
    EXPECT_EQ(edit.GetText(), u"A");
    EXPECT_EQ(combo.GetText(), u"A");
    // Reported by the dialog's enumeration and by its parent's: translated twice.
    EXPECT_EQ(inEdit.GetText(), u"C");
    EXPECT_EQ(group.GetText(), u"Z");
    EXPECT_EQ(inGroup.GetText(), u"C");
}

}  // namespace
}  // namespace zem
