#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/child_process.h"
#include "support/environment.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem {
namespace {

using test::ReadFileBytes;

// On Windows the test home gives every test process a HKEY_CURRENT_USER of its own (the key
// ZEM_REGISTRY names); the POSIX stand-in's hive file is put in the test's own folder.
class RegistryTest : public testing::Test {
  protected:
#ifndef _WIN32
    const std::string dir_ = test::MakeTestFolder("registry");
    const std::string file_ = dir_ + "/new/zem/user.reg";
    test::EnvOverride env_{"ZEM_REGISTRY", file_.c_str()};
#endif
};

// Another program changes a string value of the current user's Software\Zem key.
void EditAsAnotherProgram(const Text& name, const std::string& value) {
#ifdef _WIN32
    const std::string key = "HKCU\\" + test::GetEnv("ZEM_REGISTRY").value() + "\\Software\\Zem";
    const test::ProgramResult edit =
        test::RunProgram(test::GetEnv("SystemRoot").value() + "\\system32\\reg.exe",
                         {"add", key, "/v", ToUtf8(name), "/d", value, "/f"});
    EXPECT_EQ(edit.exitCode, 0) << edit.output << edit.errors;
#else
    // Same size, and a stamp a second past the settled one the hive had before.
    const std::string file = ToUtf8(GetRegistryFilePath());
    const auto past = std::filesystem::last_write_time(file) + std::chrono::seconds(1);
    std::string content = ReadFileBytes(file);
    const std::string line = "\"" + ToUtf8(name) + "\"=\"";
    const size_t start = content.find(line) + line.size();
    content.replace(start, content.find('"', start) - start, value);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    std::filesystem::last_write_time(file, past);
#endif
}

TEST_F(RegistryTest, MissingHiveHasNoValues) {
    Text text;
    uint32_t number = 0;
    EXPECT_FALSE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_FALSE(RegistryReadDword(u"Software\\Zem", u"LCID", number));
}

TEST_F(RegistryTest, WritesAndReadsBackIgnoringCase) {
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"/opt/zem/"));
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 0x804));
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"DataStore", u"C:\\My \"Knowledge\"\\"));

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

    // Rewriting under another case replaces the value and keeps the others.
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"APPPATH", u"/new/"));
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/new/");
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"DataStore", text));
    EXPECT_EQ(text, u"C:\\My \"Knowledge\"\\");
}

TEST_F(RegistryTest, AnEditByAnotherProgramIsReadAtOnce) {
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"/opt/a/"));
#ifndef _WIN32
    // An hour-old stamp is settled: the next read is served from the lines kept.
    std::filesystem::last_write_time(
        file_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
#endif
    Text text;
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/opt/a/");
    EditAsAnotherProgram(u"AppPath", "/opt/b/");
    ASSERT_TRUE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    EXPECT_EQ(text, u"/opt/b/");
}

// The rest concerns the POSIX stand-in's hive file: where it is, its REGEDIT4 form, and the
// texts that form cannot hold (a line break, or "]" in a key), which Windows stores as given.
#ifndef _WIN32
TEST_F(RegistryTest, FileLocationFollowsTheEnvironment) {
    EXPECT_EQ(GetRegistryFilePath(), FromUtf8(file_));
    test::EnvOverride unset("ZEM_REGISTRY", nullptr);
    test::EnvOverride config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(GetRegistryFilePath(), u"/cfg/zem/user.reg");
}

TEST_F(RegistryTest, TheHiveIsARegistryExportOnlyItsOwnerReads) {
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"/opt/zem/"));
    ASSERT_TRUE(RegistryWriteDword(u"Software\\Zem", u"LCID", 0x804));
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"DataStore", u"C:\\My \"Knowledge\"\\"));
    EXPECT_EQ(ReadFileBytes(file_),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zem]\n\"AppPath\"=\"/opt/zem/\"\n"
              "\"LCID\"=dword:00000804\n\"DataStore\"=\"C:\\\\My \\\"Knowledge\\\"\\\\\"\n");
    struct stat st;
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
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

// Found by the registry's fuzz target: a file opening with two byte-order marks lost one at
// every write, and a value line behind the second became readable after the next; a line
// ending with several carriage returns lost one at every write.
TEST_F(RegistryTest, AWriteKeepsWhatFollowsTheByteOrderMark) {
    std::filesystem::create_directories(dir_ + "/new/zem");
    std::ofstream(file_) << "\xEF\xBB\xBF\xEF\xBB\xBF[HKEY_CURRENT_USER\\Software\\Zem]\n"
                            "\"AppPath\"=\"/old/\"\nbroken\r\r\r\n";
    Text text;
    EXPECT_FALSE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
    ASSERT_TRUE(RegistryWriteText(u"Software\\Other", u"Name", u"x"));
    const std::string once = ReadFileBytes(file_);
    ASSERT_TRUE(RegistryWriteText(u"Software\\Other", u"Name", u"x"));
    EXPECT_EQ(ReadFileBytes(file_), once);
    EXPECT_NE(once.find("broken\r\r\r\n"), std::string::npos);
    EXPECT_FALSE(RegistryReadText(u"Software\\Zem", u"AppPath", text));
}

TEST_F(RegistryTest, TextThatWouldBreakTheFileIsRefused) {
    EXPECT_FALSE(RegistryWriteText(u"Software\\Zem", u"AppPath", u"line1\nline2"));
    EXPECT_FALSE(RegistryWriteText(u"Software\\Zem", u"Bad\rName", u"x"));
    EXPECT_FALSE(RegistryWriteText(u"Software\\Ze]m", u"AppPath", u"x"));
    EXPECT_FALSE(std::filesystem::exists(file_));
}
#endif

}  // namespace
}  // namespace zem
