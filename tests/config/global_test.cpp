#include "config/global.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "config/ini_file.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "support/environment.h"
#include "support/test_home.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace fs = std::filesystem;

namespace zem {
namespace {

TEST(BuiltInDefaults, NineLinesWithTheProductValues) {
    const Text text = kBuiltInDefaultsText;
    EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'), 8);
    EXPECT_NE(text.back(), u'\n');
    CZemIniFileEx ini;
    ini.LoadText(text);
    EXPECT_EQ(ini.GetString(u"Common", u"ProductName", nullptr), u"Zem");
    EXPECT_EQ(ini.GetString(u"Common", u"CompanyName", u"x"), u"");
    EXPECT_EQ(ini.GetString(u"Common", u"InnerProductName", u"x"), u"x");
    EXPECT_EQ(ini.GetString(u"Common", u"UIExcludes", nullptr), u"None");
    EXPECT_TRUE(ini.GetString(u"Common", u"Home", nullptr).starts_with(u"https://"));
    EXPECT_TRUE(ini.GetString(u"Common", u"API", nullptr).starts_with(u"https://"));
    const Text http = ini.GetString(u"Sync", u"http", nullptr);
    const Text https = ini.GetString(u"Sync", u"https", nullptr);
    EXPECT_TRUE(http.starts_with(u"http://") && http.ends_with(u"/zemkm/xmlrpc"));
    EXPECT_TRUE(https.starts_with(u"https://") && https.ends_with(u"/zemkm/xmlrpc"));
}

TEST(BuiltInDefaults, ProductNamesAndRegistryKey) {
    // A language with no suffixed key falls back to the plain key.
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 2052));
    EXPECT_EQ(GetLocalizedBuiltInValue(u"Common", u"ProductName"), u"Zem");
    EXPECT_EQ(QueryProductName(), u"Zem");
    EXPECT_EQ(QueryInnerProductName(), u"Zem");
    EXPECT_EQ(GetProductRegistryKey(), u"Software\\Zem");
    EXPECT_EQ(GetBuiltInValue(u"Sync", u"missing", true, false), u"");
}

TEST(BuiltInDefaultsDeathTest, AMissingRequiredValueEndsTheProcess) {
    // The process ends with status -1: Windows keeps all its bits, POSIX the low eight.
#ifdef _WIN32
    constexpr int kStatus = -1;
#else
    constexpr int kStatus = 255;
#endif
    EXPECT_EXIT(GetBuiltInValue(u"Common", u"CompanyName", false, false),
                testing::ExitedWithCode(kStatus), "");
}

TEST(GetUILanguage, RegistryFirstThenTheUserLocaleFolded) {
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 0));
    EXPECT_EQ(GetUILanguage(), FilterUILanguage(GetUserDefaultLCID(), u"None"));
#ifndef _WIN32  // the POSIX stand-in reads the user's locale from LANG at each call
    test::SetEnv("LANG", "zh_HK.UTF-8");
    EXPECT_EQ(GetUILanguage(), 1028u);
    test::SetEnv("LANG", "zh_SG.UTF-8");
    EXPECT_EQ(GetUILanguage(), 2052u);
    test::SetEnv("LANG", "en_US.UTF-8");
    EXPECT_EQ(GetUILanguage(), 1033u);
#endif
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 0x0C04));
    EXPECT_EQ(GetUILanguage(), 1028u);
}

TEST(GetUILanguage, ExclusionsLookAtTheLanguageBeforeFolding) {
    EXPECT_EQ(FilterUILanguage(2052, u"2052,1028"), 0u);
    EXPECT_EQ(FilterUILanguage(1028, u"2052,1028"), 0u);
    EXPECT_EQ(FilterUILanguage(3076, u"2052,1028"), 1028u);
    EXPECT_EQ(FilterUILanguage(1028, u"2052, 1028"), 1028u);
    EXPECT_EQ(FilterUILanguage(5124, u"None"), 1028u);
    EXPECT_EQ(FilterUILanguage(4100, u"None"), 2052u);
    EXPECT_EQ(FilterUILanguage(1041, u""), 1041u);
}

TEST(ConfigurationFiles, CommonValuesAndPortableFile) {
    const std::string ini = test::MakeTestFolder("ini") + "/Zem.ini";
    std::ofstream(ini) << "[Other]\nPortable=0\n[Common]\nPortable=1\nLong="
                       << std::string(5000, 'v') << "\n";
    EXPECT_EQ(ReadCommonValue(u"Portable", FromUtf8(ini), u"d"), u"1");
    EXPECT_EQ(ReadCommonValue(u"Missing", FromUtf8(ini), u"d"), u"d");
    EXPECT_EQ(ReadCommonValue(u"Long", FromUtf8(ini), u""), Text(4095, u'v'));
    EXPECT_EQ(GetPortableIniPath(), GetProgramFolder() + u"Zem.ini");
}

TEST(ReadRegistryText, TreatsOverlongValuesAsAbsent) {
    const Text key = u"Software\\Zem";
    ASSERT_TRUE(RegistryWriteText(key, u"AppPath", u"/opt/zem/"));
    ASSERT_TRUE(RegistryWriteText(key, u"Fits", Text(1023, u'f')));
    ASSERT_TRUE(RegistryWriteText(key, u"TooLong", Text(1024, u'l')));
    EXPECT_EQ(ReadRegistryText(key, u"apppath", nullptr), u"/opt/zem/");
    EXPECT_EQ(ReadRegistryText(key, u"Fits", nullptr), Text(1023, u'f'));
    EXPECT_EQ(ReadRegistryText(key, u"TooLong", u"default"), u"default");
    EXPECT_EQ(ReadRegistryText(key, u"Missing", nullptr), u"");
    EXPECT_EQ(ReadRegistryText(u"Software\\None", u"AppPath", u"d"), u"d");
    // A default is never cut into a different text.
    EXPECT_EQ(ReadRegistryText(key, u"Missing", Text(2000, u'd').c_str()), Text(2000, u'd'));
}

// Keeps what the configuration logs.
class RecordingGlobal : public CZemGlobalDefault {
  public:
    void WriteLog(TextView text) override { log.emplace_back(text); }
    TextList log;
};

fs::perms Permissions(const Text& path) {
    return fs::status(ToUtf8(path)).permissions() & fs::perms::all;
}

// Each case starts without the product folder in the temporary path.
class TempFolder : public testing::Test {
  protected:
    void SetUp() override { fs::remove_all(ToUtf8(GetSystemTempPath() + u"Zem")); }
};

TEST_F(TempFolder, IsThePrivateProductFolderInTheTemporaryPath) {
    RecordingGlobal global;
    const Text expected = GetSystemTempPath() + u"Zem" + Text(1, kPathSeparator);
    EXPECT_EQ(global.GetTempFolder(), expected);
#ifndef _WIN32  // Windows folders have no modes; the user's temporary path is private there
    EXPECT_EQ(Permissions(expected), fs::perms::owner_all);
#endif
    fs::remove_all(ToUtf8(expected));
    EXPECT_EQ(global.GetTempFolder(), expected);
    EXPECT_TRUE(fs::is_directory(ToUtf8(expected)));
    EXPECT_TRUE(global.log.empty());
}

TEST_F(TempFolder, APlantedFolderWritableByOthersIsNotUsed) {
#ifdef _WIN32
    GTEST_SKIP() << "file modes and symbolic links of the POSIX temporary folder";
#endif
    const Text planted = GetSystemTempPath() + u"Zem" + Text(1, kPathSeparator);
    fs::create_directory(ToUtf8(planted));
    fs::permissions(ToUtf8(planted), fs::perms::all);

    RecordingGlobal global;
    const Text used = global.GetTempFolder();
    EXPECT_NE(used, planted);
    EXPECT_TRUE(fs::is_directory(ToUtf8(used)));
    EXPECT_EQ(Permissions(used), fs::perms::owner_all);
    EXPECT_EQ(global.log.size(), 1u);
    // The fallback stays the folder of this process, also after it was removed.
    fs::remove_all(ToUtf8(used));
    EXPECT_EQ(global.GetTempFolder(), used);
    EXPECT_EQ(Permissions(used), fs::perms::owner_all);
}

TEST_F(TempFolder, ALinkInItsPlaceIsNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "file modes and symbolic links of the POSIX temporary folder";
#endif
    const std::string target = test::MakeTestFolder("elsewhere");
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    const Text link = GetSystemTempPath() + u"Zem";
    fs::create_directory_symlink(target, ToUtf8(link));

    RecordingGlobal global;
    const Text used = global.GetTempFolder();
    EXPECT_FALSE(used.starts_with(link + u"/"));
    EXPECT_EQ(Permissions(used), fs::perms::owner_all);
    EXPECT_FALSE(global.log.empty());
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_EQ(Permissions(FromUtf8(target)),
              fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(TempFolder, AGivenFolderIsRemovedOnExitWhenAsked) {
    const std::string given = test::MakeTestFolder("given") + "/work/";
    {
        RecordingGlobal global;
        global.SetTempFolder(FromUtf8(given).c_str(), 1);
        EXPECT_EQ(global.GetTempFolder(), FromUtf8(given));
        std::ofstream(given + "file") << "x";
    }
    EXPECT_FALSE(fs::exists(given));

    RecordingGlobal global;
    global.SetTempFolder(FromUtf8(given).c_str(), 0);
    global.SetTempFolder(nullptr, 0);
    EXPECT_EQ(global.GetTempFolder(), GetSystemTempPath() + u"Zem" + Text(1, kPathSeparator));
}

TEST(CZemGlobalDefault, AnswersItsSimpleQuestions) {
    RecordingGlobal global;
    EXPECT_EQ(global.GetProductName(), u"Zem");
    EXPECT_EQ(global.GetSettingsFileName(), u"");
    EXPECT_TRUE(global.IsResourceFilePath(u"%ResourceFilePath%/a.png"));
    EXPECT_FALSE(global.IsResourceFilePath(u"%resourcefilepath%/a.png"));
    EXPECT_FALSE(global.IsResourceFilePath(u"%ResourceFilePath%\\a.png"));
    EXPECT_FALSE(global.IsResourceFilePath(u"%ResourceFilePath%"));
    EXPECT_EQ(&GetGlobal(), &GetGlobal());
}

TEST(CZemGlobalDefault, DebugLinesNeedTheSwitchAnywhereInTheCommandLine) {
    char program[] = "/opt/zem/DEBUG/ZemYNote";
    char* argv[] = {program, nullptr};
    SetCommandLine(1, argv);
    RecordingGlobal global;
    global.WriteDebugLog(u"Reload_Settings_Begin");
    EXPECT_EQ(global.log, TextList{u"Reload_Settings_Begin"});
}

}  // namespace
}  // namespace zem
