#include "style/km_settings.h"

#include <gtest/gtest.h>

#include "style/style_test_support.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {
namespace {

class SettingsTest : public testing::Test {
  protected:
    void SetUp() override { path_ = MakeTestFolder("settings") + "/Zem.xml"; }
    Text Read(CZemKMSettings& settings, const Text& key) {
        Text value = u"(unread)";
        settings.GetStr(u"S", key, value);
        return value;
    }
    std::string path_;
};

TEST_F(SettingsTest, MissingFileIsEmptyUntilTheFirstWriteCreatesIt) {
    LogWatch log;
    CZemKMSettings settings(U16(path_));
    ComPtr<IZemKMSettingsSection> section;
    EXPECT_FALSE(settings.GetDocumentDefaultsSection(section));
    EXPECT_TRUE(settings.SetStr(u"S", u"K", u"v", IZemSettingsBase::kSaveNow));
    EXPECT_TRUE(std::filesystem::exists(path_));

    CZemKMSettings reader(U16(path_));
    EXPECT_EQ(Read(reader, u"K"), u"v");
    EXPECT_TRUE(log.NewMessages().empty());
}

TEST_F(SettingsTest, NewerFileIsReloadedAndUnsavedValuesAreDroppedWithALogLine) {
    CZemKMSettings settings(U16(path_));
    ASSERT_TRUE(settings.SetStr(u"S", u"K", u"1", IZemSettingsBase::kSaveNow));

    WriteSettingsFile(path_, Section("S", Value("K", "2")));
    LogWatch quiet;
    EXPECT_EQ(Read(settings, u"K"), u"2");
    EXPECT_TRUE(quiet.NewMessages().empty());

    ASSERT_TRUE(settings.SetStr(u"S", u"Unsaved", u"x", IZemSettingsBase::kKeepUnsaved));
    EXPECT_EQ(Read(settings, u"Unsaved"), u"x");
    WriteSettingsFile(path_, Section("S", Value("K", "3")));
    LogWatch log;
    EXPECT_EQ(Read(settings, u"K"), u"3");
    EXPECT_EQ(log.NewMessages(), std::vector<std::string>{"Settings is modified before reload!"});
    EXPECT_EQ(Read(settings, u"Unsaved"), u"");
}

TEST_F(SettingsTest, StringListsEndAtTheFirstGapAndAreReplacedWhole) {
    WriteSettingsFile(
        path_, Section("L", Value("Item0", "a") + Value("Item1", "b") + Value("Item3", "d")));
    CZemKMSettings settings(U16(path_));
    TextList list;
    EXPECT_TRUE(settings.GetStringList(u"L", list));
    EXPECT_EQ(list, (TextList{u"a", u"b"}));

    EXPECT_TRUE(settings.SetStringList(u"L", {u"z"}));
    CZemKMSettings reader(U16(path_));
    list.clear();
    reader.GetStringList(u"L", list);
    EXPECT_EQ(list, TextList{u"z"});
    Text value;
    reader.GetStr(u"L", u"Item3", value);
    EXPECT_EQ(value, u"");

    EXPECT_TRUE(settings.SetStringList(u"L", {}));
    list.clear();
    CZemKMSettings(U16(path_)).GetStringList(u"L", list);
    EXPECT_TRUE(list.empty());
}

TEST_F(SettingsTest, SectionReadersGiveValuesOrTheirDefaults) {
    WriteSettingsFile(path_, Section("DocumentDefaults", Value("FontName", "Noto Serif") +
                                                             Value("EnableCSS", "1") +
                                                             Value("EnableColor", "0")));
    CZemKMSettings settings(U16(path_));
    ComPtr<IZemKMSettingsSection> section;
    ASSERT_TRUE(settings.GetDocumentDefaultsSection(section));
    EXPECT_EQ(ReadSectionString(section.Get(), u"FontName", u"d"), u"Noto Serif");
    EXPECT_EQ(ReadSectionString(section.Get(), u"FontSize", u"d"), u"d");
    EXPECT_TRUE(ReadSectionBool(section.Get(), u"EnableCSS"));
    EXPECT_FALSE(ReadSectionBool(section.Get(), u"EnableColor"));
    EXPECT_FALSE(ReadSectionBool(section.Get(), u"Missing"));
    EXPECT_EQ(ReadSectionString(nullptr, u"FontName", u"d"), u"d");
    EXPECT_FALSE(ReadSectionBool(nullptr, u"EnableCSS"));

    WriteSettingsFile(path_, Section("Other", Value("K", "v")));
    EXPECT_FALSE(settings.GetDocumentDefaultsSection(section));
}

TEST_F(SettingsTest, DamagedFileIsLoggedAndReadsAsMissing) {
    WriteFileBytes(path_, "<settings><section name=");
    LogWatch log;
    CZemKMSettings settings(U16(path_));
    ComPtr<IZemKMSettingsSection> section;
    EXPECT_FALSE(settings.GetDocumentDefaultsSection(section));
    // The file is tried again on every operation, so a repaired file is picked up.
    const std::vector<std::string> messages = log.NewMessages();
    ASSERT_FALSE(messages.empty());
    for (const std::string& message : messages)
        EXPECT_EQ(message, "Failed to open settings file; " + path_);
}

}  // namespace
}  // namespace zem::test
