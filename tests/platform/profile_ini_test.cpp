#include "platform/profile_ini.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_home.h"

namespace zem {
namespace {

Text WriteIni(const std::string& name, const std::string& bytes) {
    const std::string path = test::MakeTestFolder("ini") + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return FromUtf8(path);
}

Text Get(const Text& path, const Text& section, const Text& key, size_t buffer = 4096) {
    return GetPrivateProfileString(section, key, u"default", path, buffer);
}

TEST(ProfileIniTest, MatchingRulesOfTheWindowsReader) {
    const Text path = WriteIni("rules.ini",
                               "Portable=outside\n"
                               "[Common]\r\n"
                               "  Portable =  1  \r\n"
                               "portable=2\r\n"
                               "Quoted=\"  spaced  \"\r\n"
                               "Single='x'\r\n"
                               "Mismatched=\"x'\r\n"
                               "Lone=\"\r\n"
                               "NoValue\r\n"
                               "Equals=a=b\r\n"
                               "[ Second ]\n"
                               "Key=second\n"
                               "[common]\n"
                               "Later=not seen\n");
    EXPECT_EQ(Get(path, u"common", u"PORTABLE"), u"1");
    EXPECT_EQ(Get(path, u"Common", u"Quoted"), u"  spaced  ");
    EXPECT_EQ(Get(path, u"Common", u"Single"), u"x");
    EXPECT_EQ(Get(path, u"Common", u"Mismatched"), u"\"x'");
    EXPECT_EQ(Get(path, u"Common", u"Lone"), u"\"");
    EXPECT_EQ(Get(path, u"Common", u"NoValue"), u"");
    EXPECT_EQ(Get(path, u"Common", u"Equals"), u"a=b");
    EXPECT_EQ(Get(path, u"Second", u"Key"), u"second");
    // Only the first section of a name is searched.
    EXPECT_EQ(Get(path, u"Common", u"Later"), u"default");
    EXPECT_EQ(Get(path, u"Missing", u"Portable"), u"default");
    EXPECT_EQ(Get(path, u"Common", u"Equals", 3), u"a=");
    EXPECT_EQ(Get(path, u"Common", u"Equals", 0), u"");
}

TEST(ProfileIniTest, MissingFileGivesTheDefaultWithoutTrailingBlanks) {
    const Text missing = FromUtf8(test::TestHome() + "/no/such.ini");
    EXPECT_EQ(GetPrivateProfileString(u"Common", u"Key", u"value  ", missing, 4096), u"value");
    EXPECT_EQ(GetPrivateProfileString(u"Common", u"Key", u"value", missing, 4), u"val");
}

TEST(ProfileIniTest, ReadsUtf16AndUtf8FilesAndSeesChanges) {
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"[语言]\r\n名称=简体中文\r\n"))
        utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    EXPECT_EQ(Get(WriteIni("utf16.ini", utf16), u"语言", u"名称"), u"简体中文");
    EXPECT_EQ(Get(WriteIni("utf8.ini", "\xEF\xBB\xBF[A]\nK=中\n"), u"A", u"K"), u"中");
    EXPECT_EQ(Get(WriteIni("plain.ini", "[A]\nK=中\n"), u"A", u"K"), u"中");

    // A rewritten file of the same size is read afresh.
    const Text path = WriteIni("changing.ini", "[A]\nK=1\n");
    EXPECT_EQ(Get(path, u"A", u"K"), u"1");
    std::ofstream(ToUtf8(path), std::ios::binary) << "[A]\nK=2\n";
    EXPECT_EQ(Get(path, u"A", u"K"), u"2");
}

}  // namespace
}  // namespace zem
