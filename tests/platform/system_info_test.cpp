#include "platform/system_info.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/environment.h"
#include "support/test_home.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

TEST(SystemFoldersTest, TemporaryFolderComesFromTmpdirAndEndsWithSlash) {
    {
        test::EnvOverride tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(GetSystemTempFolder(), u"/var/tmp/");
    }
    test::EnvOverride tmp("TMPDIR", nullptr);
    EXPECT_EQ(GetSystemTempFolder(), u"/tmp/");
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(PrivateFolderTest, CreatesOrAcceptsTheUsersOwnFolder) {
    const std::string dir = test::MakeTestFolder("private");
    Text reason;
    EXPECT_EQ(MakePrivateFolder(FromUtf8(dir + "/a/Zem/"), reason), FromUtf8(dir + "/a/Zem/"));
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(ModeOf(dir + "/a/Zem"), 0700u);

    // An existing folder of the user that others could read is kept and made private.
    fs::create_directory(dir + "/Zem2");
    chmod((dir + "/Zem2").c_str(), 0755);
    EXPECT_EQ(MakePrivateFolder(FromUtf8(dir + "/Zem2"), reason), FromUtf8(dir + "/Zem2/"));
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(ModeOf(dir + "/Zem2"), 0700u);
}

// A planted or unsafe name is refused: a fresh private folder beside it is used instead.
void ExpectRefused(const std::string& path, const char16_t* why) {
    Text reason;
    const Text used = MakePrivateFolder(FromUtf8(path), reason);
    ASSERT_FALSE(used.empty()) << ToUtf8(reason);
    EXPECT_TRUE(used.starts_with(FromUtf8(path + "-"))) << ToUtf8(used);
    EXPECT_TRUE(used.ends_with(u"/"));
    EXPECT_EQ(ModeOf(ToUtf8(used.substr(0, used.size() - 1))), 0700u);
    EXPECT_NE(reason.find(why), Text::npos) << ToUtf8(reason);
    EXPECT_NE(reason.find(used.substr(0, used.size() - 1)), Text::npos);
}

TEST(PrivateFolderTest, RefusesLinksFilesForeignAndSharedFolders) {
    const std::string dir = test::MakeTestFolder("planted");
    fs::create_directory(dir + "/target");
    fs::create_directory_symlink(dir + "/target", dir + "/link");
    ExpectRefused(dir + "/link", u"symbolic link");

    std::ofstream(dir + "/file") << "x";
    ExpectRefused(dir + "/file", u"not a folder");

    fs::create_directory(dir + "/shared");
    chmod((dir + "/shared").c_str(), 0777);
    ExpectRefused(dir + "/shared", u"writable by others");

    if (geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    fs::create_directory(dir + "/foreign");
    chmod((dir + "/foreign").c_str(), 0700);
    ASSERT_EQ(chown((dir + "/foreign").c_str(), 65534, 65534), 0);
    ExpectRefused(dir + "/foreign", u"not owned by the user");
}

TEST(SystemFoldersTest, DocumentsFromEnvironmentUserDirsOrHome) {
    const std::string home = test::TestHome();
    {
        test::EnvOverride docs("XDG_DOCUMENTS_DIR", "$HOME/Papers/");
        EXPECT_EQ(GetDocumentsFolderPath(), FromUtf8(home + "/Papers"));
    }
    test::EnvOverride docs("XDG_DOCUMENTS_DIR", nullptr);
    const std::string config = test::MakeTestFolder("config");
    test::EnvOverride configHome("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(GetDocumentsFolderPath(), FromUtf8(home + "/Documents"));
    std::ofstream(config + "/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                 "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                 "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n";
    EXPECT_EQ(GetDocumentsFolderPath(), FromUtf8(home + "/文档"));
}

TEST(SystemFoldersTest, LocalAppDataHomeAndUserName) {
    const std::string home = test::TestHome();
    EXPECT_EQ(GetHomeFolder(), FromUtf8(home));
    EXPECT_EQ(GetLocalAppDataFolderPath(), FromUtf8(home + "/.local/share"));
    {
        test::EnvOverride data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(GetLocalAppDataFolderPath(), FromUtf8(home + "/.local/share"));
    }
    EXPECT_EQ(GetUserName(), FromUtf8(getpwuid(geteuid())->pw_name));
}

TEST(LocaleTest, LocaleEnvironmentGivesLcidAndAnsiCodePage) {
    test::EnvOverride all("LC_ALL", nullptr);
    test::EnvOverride messages("LC_MESSAGES", nullptr);
    const struct {
        const char* lang;
        uint32_t lcid, ansi;
    } cases[] = {
        {"zh_CN.UTF-8", 2052, 936},  {"zh_TW.UTF-8", 1028, 950},
        {"zh_HK", 3076, 950},        {"zh_SG.GBK", 4100, 936},
        {"ja_JP.UTF-8", 1041, 932},  {"ko_KR.EUC-KR", 1042, 949},
        {"en_US.UTF-8", 1033, 1252}, {"en_GB.UTF-8", 2057, 1252},
        {"de_DE@euro", 1031, 1252},  {"fr_CA", 3084, 1252},
        {"es_ES", 3082, 1252},       {"pt_BR", 1046, 1252},
        {"ru_RU.UTF-8", 1049, 1251}, {"pl_PL", 1045, 1250},
        {"de_BE", 1031, 1252},       {"C", 1033, 1252},
        {"POSIX", 1033, 1252},       {"C.UTF-8", 1033, 1252},
        {"xx_YY", 1033, 1252},       {"", 1033, 1252},
    };
    for (const auto& c : cases) {
        test::EnvOverride lang("LANG", c.lang);
        EXPECT_EQ(GetUserDefaultLCID(), c.lcid) << c.lang;
        EXPECT_EQ(GetAnsiCodePage(), c.ansi) << c.lang;
    }
    test::EnvOverride lang("LANG", "en_US.UTF-8");
    test::EnvOverride message("LC_MESSAGES", "ja_JP.UTF-8");
    EXPECT_EQ(GetUserDefaultLCID(), 1041u);
    test::EnvOverride overrideAll("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(GetUserDefaultLCID(), 1028u);
}

// The stand-in's fallback for a locale it has no table for; Windows has a table for each.
TEST(LocaleTest, LocalesWithoutATableGiveTheIsoDateAnd24Hours) {
    const CalendarTime t{2026, 12, 7, 0, 7, 21, 17, 0};
    EXPECT_EQ(FormatLongDate(1031, t), u"2026-12-07");
    EXPECT_EQ(FormatTimeOfDay(1031, t), u"07:21:17");
}

TEST(ClockTest, UnixTimeToLocalCalendarAndLimits) {
    test::EnvOverride tz("TZ", "UTC");
    tzset();
    CalendarTime t;
    ASSERT_TRUE(UnixTimeToLocalCalendar(1796635277, t));  // 2026-12-07 09:21:17 UTC
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.dayOfWeek, 1);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 21);
    EXPECT_EQ(t.second, 17);
    EXPECT_TRUE(UnixTimeToLocalCalendar(0, t));
    EXPECT_FALSE(UnixTimeToLocalCalendar(-1, t));
    EXPECT_TRUE(UnixTimeToLocalCalendar(32535215999, t));  // 3000-12-31 23:59:59
    EXPECT_FALSE(UnixTimeToLocalCalendar(32535216000, t));
    ASSERT_TRUE(CurrentLocalCalendar(t));
    EXPECT_GE(t.year, 2024);
    EXPECT_GT(CurrentUnixTime(), 1700000000);
}

TEST(ClockTest, TickCountAdvancesAtLeastBySleepTime) {
    const uint32_t before = GetTickCount();
    Sleep(20);
    EXPECT_GE(static_cast<uint32_t>(GetTickCount() - before), 20u);
}

TEST(ProcessTest, IdsCommandLineEnvironmentAndMenuFont) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<uint32_t>(getpid()));
    EXPECT_EQ(GetCurrentThreadId(), static_cast<uint32_t>(gettid()));

    // Before main() records it the command line comes from the system.
    EXPECT_NE(GetCommandLine().find(u"platform_tests"), Text::npos);
    char program[] = "/opt/zem/ZemYNote";
    char first[] = "/AppPath=/opt/zem/";
    char second[] = "/Debug";
    char* argv[] = {program, first, second};
    SetCommandLine(3, argv);
    EXPECT_EQ(GetCommandLine(), u"/opt/zem/ZemYNote /AppPath=/opt/zem/ /Debug");
    EXPECT_EQ(GetCommandLineArguments(), (std::vector<Text>{u"/AppPath=/opt/zem/", u"/Debug"}));
    SetCommandLine(1, argv);
    EXPECT_EQ(GetCommandLineArguments(), std::vector<Text>{});

    char path[] = "/Import=/home/me/\xB1\xA8\xB8\xE6/a.db";
    char* withBytes[] = {program, path};
    SetCommandLine(2, withBytes);
    EXPECT_EQ(GetCommandLineArguments(),
              std::vector<Text>{u"/Import=/home/me/\xDCB1\xDCA8\xDCB8\xDCE6/a.db"});

    test::EnvOverride var("ZEM_TEST_VALUE", "值");
    EXPECT_EQ(GetEnvironmentText("ZEM_TEST_VALUE"), u"值");
    test::EnvOverride bytes("ZEM_TEST_BYTES", "\xFF");
    EXPECT_EQ(GetEnvironmentText("ZEM_TEST_BYTES"), u"\xDCFF");
    EXPECT_EQ(GetEnvironmentText("ZEM_TEST_UNSET_VALUE"), u"");

    EXPECT_EQ(GetMenuFontFace(), u"Sans");
    SetMenuFontFace(u"Noto Sans CJK SC");
    EXPECT_EQ(GetMenuFontFace(), u"Noto Sans CJK SC");
    SetMenuFontFace(u"");
    EXPECT_EQ(GetMenuFontFace(), u"Sans");
}

}  // namespace
}  // namespace zem
