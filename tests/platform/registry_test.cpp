#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/environment.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem {
namespace {

using test::ReadFileBytes;

class RegistryTest : public testing::Test {
  protected:
    const std::string dir_ = test::MakeTestFolder("registry");
    const std::string file_ = dir_ + "/new/zem/user.reg";
    test::EnvOverride env_{"ZEM_REGISTRY", file_.c_str()};
};

TEST_F(RegistryTest, FileLocationFollowsTheEnvironment) {
    EXPECT_EQ(GetRegistryFilePath(), FromUtf8(file_));
    test::EnvOverride unset("ZEM_REGISTRY", nullptr);
    test::EnvOverride config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(GetRegistryFilePath(), u"/cfg/zem/user.reg");
}

TEST_F(RegistryTest, MissingHiveHasNoValues) {
    Text text;
    uint32_t number = 0;
    EXPECT_FALSE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_FALSE(RegistryReadDword(u"Software\\Zem", u"LCID", number));
}

TEST_F(RegistryTest, WritesARegistryExportAndReadsItBackIgnoringCase) {
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"/opt/zem/"));
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 0x804));
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"DataStore", u"C:\\My \"Knowledge\"\\"));
    EXPECT_EQ(ReadFileBytes(file_),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zem]\n\"AppPath\"=\"/opt/zem/\"\n"
              "\"LCID\"=dword:00000804\n\"DataStore\"=\"C:\\\\My \\\"Knowledge\\\"\\\\\"\n");
    struct stat st;
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);

    Text text;
    uint32_t number = 0;
    ASSERT_TRUE(RegistryReadText(u"software\\ZEM", u"apppath", text));
    EXPECT_EQ(text, u"/opt/zem/");
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"DataStore", text));
    EXPECT_EQ(text, u"C:\\My \"Knowledge\"\\");
    ASSERT_TRUE(RegistryReadDword(u"Software\\Zem", u"lcid", number));
    EXPECT_EQ(number, 0x804u);
    // A value of the other kind does not read.
    EXPECT_FALSE(RegistryReadDword(u"Software\\Zem", u"AppPath", number));
    EXPECT_FALSE(RegistryReadText(u"Software\\Zem", u"LCID", text));
    EXPECT_FALSE(RegistryReadText(u"Software\\Other", u"AppPath", text));
}

// Reads are served from the file's lines kept since the last read; another program's edit
// must still be seen by the next read, also when it keeps the file's size.
TEST_F(RegistryTest, AnEditByAnotherProgramIsReadAtOnce) {
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"/opt/a/"));
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(file_, past);
    Text text;
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/opt/a/");
    std::string content = ReadFileBytes(file_);
    content.replace(content.find("/opt/a/"), 7, "/opt/b/");
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << content;
    std::filesystem::last_write_time(file_, past + std::chrono::seconds(1));
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/opt/b/");
}

TEST_F(RegistryTest, RewritingReplacesTheValueAndKeepsEverythingElse) {
    std::filesystem::create_directories(dir_ + "/new/zem");
    std::ofstream(file_) << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zem]\r\n"
                            "\"AppPath\"=\"/old/\"\r\nthis line is broken\r\n"
                            "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Zem]\r\n\"AppPath\"=\"/machine/\"\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Software\\Brennlake\\Zem]\r\n"
                            "\"DataStore\"=\"/store/\"\r\n";
    Text text;
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/old/");
    ASSERT_TRUE(RegistryReadText(u"Software\\Brennlake\\Zem", u"DataStore", text));
    EXPECT_EQ(text, u"/store/");

    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"APPPATH", u"/new/"));
    ASSERT_TRUE(RegistryWriteText(u"Software\\Brennlake\\Zem", u"Extra", u"x"));
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/new/");
    const std::string after = ReadFileBytes(file_);
    EXPECT_EQ(after.find("/old/"), std::string::npos);
    EXPECT_NE(after.find("this line is broken"), std::string::npos);
    EXPECT_NE(after.find("\"Blob\"=hex:01,02,\\\n  03,04\n"), std::string::npos);
    EXPECT_NE(after.find("/machine/"), std::string::npos);
    EXPECT_NE(after.find("\"DataStore\"=\"/store/\"\n\"Extra\"=\"x\"\n"), std::string::npos);
    // Nothing is left behind by the atomic replacement.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ + "/new/zem"), {}), 1);
}

TEST_F(RegistryTest, TextThatWouldBreakTheFileIsRefused) {
    EXPECT_FALSE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"line1\nline2"));
    EXPECT_FALSE(RegistryWriteText(u"Software\\Zem", u"Bad\rName", u"x"));
    EXPECT_FALSE(RegistryWriteText(u"Software\\Ze]m", u"AppPath", u"x"));
    EXPECT_FALSE(std::filesystem::exists(file_));
}

}  // namespace
}  // namespace zem
