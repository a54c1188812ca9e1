// The settings component: sections of keyed texts kept in an XML file.
#include <gtest/gtest.h>

#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

struct Settings {
    Settings() : settings(core.Create<IZemKMSettings>(CLSID_ZemKMSettings)) {}

    std::pair<HRESULT, std::string> Get(const char16_t* section, const char16_t* key) {
        ScopedBstr value;
        const HRESULT result = settings->GetValue(section, key, value.Out());
        return {result, ToUtf8(value.ToText())};
    }
    bool Modified() {
        VARIANT_BOOL modified = VARIANT_FALSE;
        EXPECT_EQ(settings->IsModified(&modified), S_OK);
        return modified != VARIANT_FALSE;
    }
    ComPtr<IZemKMSettingsSection> Section(const char16_t* name, HRESULT& result) {
        IUnknown* raw = nullptr;
        result = settings->GetSection(name, &raw);
        return As<IZemKMSettingsSection>(raw);
    }

    KmCore core;
    ComPtr<IZemKMSettings> settings;
};

TEST(SettingsComponent, StartsEmptyWithoutAFileAndSavesWhatIsSet) {
    const std::string path = MakeTestFolder("settings") + "/Zem.xml";
    {
        Settings s;
        ASSERT_TRUE(s.settings);
        EXPECT_LT(s.settings->OpenFile(FromUtf8(path).c_str()), 0) << "no file yet";
        EXPECT_EQ(s.Get(u"DocumentDefaults", u"FontName"), std::make_pair(S_FALSE, std::string()));
        EXPECT_FALSE(s.Modified());
        EXPECT_EQ(s.settings->SetValue(u"DocumentDefaults", u"FontName", u" Noto Sans "), S_OK);
        EXPECT_EQ(s.settings->SetValue(u"documentdefaults", u"EnableCSS", u"1"), S_OK);
        EXPECT_EQ(s.settings->SetValue(u"Other", u"Text", u"a < b & \"c\" 中文"), S_OK);
        EXPECT_TRUE(s.Modified());
        EXPECT_EQ(s.settings->SaveFile(), S_OK);
        EXPECT_FALSE(s.Modified());
    }
    const std::string xml = ReadFileBytes(path);
    EXPECT_NE(xml.find("<settings>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<section name=\"DocumentDefaults\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<value name=\"FontName\"> Noto Sans </value>"), std::string::npos) << xml;

    Settings again;
    ASSERT_EQ(again.settings->OpenFile(FromUtf8(path).c_str()), S_OK);
    EXPECT_EQ(again.Get(u"DOCUMENTDEFAULTS", u"fontname"),
              std::make_pair(S_OK, std::string(" Noto Sans ")));
    EXPECT_EQ(again.Get(u"Other", u"Text"),
              std::make_pair(S_OK, std::string("a < b & \"c\" 中文")));
    EXPECT_EQ(again.Get(u"Other", u"Missing").first, S_FALSE);
}

// Found by the settings file's fuzz target: a carriage return in a value came back as a line
// feed after a save, since XML reading turns line ends into line feeds.
TEST(SettingsComponent, LineEndsAndTabsInTextsAndNamesSurviveASave) {
    const std::string path = MakeTestFolder("line-ends") + "/Zem.xml";
    {
        Settings s;
        s.settings->OpenFile(FromUtf8(path).c_str());
        EXPECT_EQ(s.settings->SetValue(u"Sec\ttion", u"Key\n", u"a\r\nb\rc\td"), S_OK);
        EXPECT_EQ(s.settings->SaveFile(), S_OK);
    }
    Settings again;
    ASSERT_EQ(again.settings->OpenFile(FromUtf8(path).c_str()), S_OK);
    EXPECT_EQ(again.Get(u"Sec\ttion", u"Key\n"), std::make_pair(S_OK, std::string("a\r\nb\rc\td")));
}

// Found by the settings file's fuzz target: a comment inside a value split its text, the first
// piece was read, and saving any other value wrote the pieces together.
TEST(SettingsComponent, AValueSplitByACommentReadsWholeBeforeAndAfterASave) {
    const std::string path = MakeTestFolder("split") + "/Zem.xml";
    WriteFileBytes(path,
                   "<settings><section name=\"S\"><value name=\"A\">x<!-- note -->y<?pi?>"
                   "<![CDATA[z]]></value><value name=\"B\">1<!-- c -->2</value>"
                   "</section></settings>");
    {
        Settings s;
        ASSERT_EQ(s.settings->OpenFile(FromUtf8(path).c_str()), S_OK);
        EXPECT_EQ(s.Get(u"S", u"A"), std::make_pair(S_OK, std::string("xyz")));
        EXPECT_EQ(s.settings->SetValue(u"S", u"B", u"3"), S_OK);
        EXPECT_EQ(s.settings->SaveFile(), S_OK);
    }
    Settings again;
    ASSERT_EQ(again.settings->OpenFile(FromUtf8(path).c_str()), S_OK);
    EXPECT_EQ(again.Get(u"S", u"A"), std::make_pair(S_OK, std::string("xyz")));
    EXPECT_EQ(again.Get(u"S", u"B"), std::make_pair(S_OK, std::string("3")));
}

TEST(SettingsComponent, SectionObjectsReadTextsAndBooleansLive) {
    Settings s;
    s.settings->OpenFile(FromUtf8(MakeTestFolder("sections") + "/Zem.xml").c_str());
    for (const auto& [key, value] :
         {std::pair{u"One", u"1"}, {u"True", u" TRUE "}, {u"Zero", u"0"}, {u"Yes", u"yes"}})
        s.settings->SetValue(u"DocumentDefaults", key, value);
    HRESULT result;
    EXPECT_FALSE(s.Section(u"Missing", result));
    EXPECT_EQ(result, S_FALSE);
    auto section = s.Section(u"documentDefaults", result);
    ASSERT_TRUE(section);
    EXPECT_EQ(result, S_OK);

    const struct {
        const char16_t* key;
        HRESULT status;
        VARIANT_BOOL value;
    } booleans[] = {{u"one", S_OK, VARIANT_TRUE},
                    {u"True", S_OK, VARIANT_TRUE},
                    {u"Zero", S_OK, VARIANT_FALSE},
                    {u"Yes", S_OK, VARIANT_FALSE},
                    {u"Absent", S_FALSE, VARIANT_FALSE}};
    for (const auto& expected : booleans) {
        VARIANT_BOOL value = 7;
        EXPECT_EQ(section->GetSectionBool(expected.key, &value), expected.status);
        EXPECT_EQ(value, expected.value) << ToUtf8(expected.key);
    }
    ScopedBstr text;
    EXPECT_EQ(section->GetSectionValue(u"TRUE", text.Out()), S_OK);
    EXPECT_EQ(text.ToText(), u" TRUE ");
    EXPECT_EQ(section->GetSectionValue(u"Absent", text.Out()), S_FALSE);

    // Reopening the file refills the settings the section reads.
    const std::string path = MakeTestFolder("sections-file") + "/Zem.xml";
    WriteFileBytes(path,
                   "<settings><section name=\"DocumentDefaults\"><value name=\"One\">"
                   "0</value></section></settings>");
    ASSERT_EQ(s.settings->OpenFile(FromUtf8(path).c_str()), S_OK);
    EXPECT_FALSE(s.Modified());
    VARIANT_BOOL one = VARIANT_TRUE;
    EXPECT_EQ(section->GetSectionBool(u"One", &one), S_OK);
    EXPECT_EQ(one, VARIANT_FALSE);

    EXPECT_EQ(s.settings->DeleteSection(u"DOCUMENTDEFAULTS"), S_OK);
    EXPECT_EQ(s.settings->DeleteSection(u"DocumentDefaults"), S_FALSE);
    EXPECT_EQ(section->GetSectionValue(u"One", text.Out()), S_FALSE) << "reads the settings now";
    EXPECT_TRUE(s.Modified());
}

TEST(SettingsComponent, AFileThatIsNotSettingsIsNeverOverwritten) {
    const std::string path = MakeTestFolder("damaged") + "/Zem.xml";
    const std::string damaged = "<settings><section name=\"A\"><value name=\"K\">v</val";
    WriteFileBytes(path, damaged);
    Settings s;
    EXPECT_LT(s.settings->OpenFile(FromUtf8(path).c_str()), 0);
    EXPECT_EQ(s.settings->SetValue(u"A", u"K", u"new"), S_OK);
    EXPECT_EQ(s.Get(u"A", u"K").second, "new") << "still usable";
    EXPECT_LT(s.settings->SaveFile(), 0);
    EXPECT_EQ(ReadFileBytes(path), damaged);
}

}  // namespace
}  // namespace zem::test
