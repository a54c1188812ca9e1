#include "platform/files.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/file_stream.h"
#include "support/platform_text.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

TEST(FilesTest, AttributesOfFilesFoldersHiddenNamesAndLinks) {
    const std::string dir = test::MakeTestFolder("attributes");
    WriteFileBytes(dir + "/数据.txt", "12345");
    WriteFileBytes(dir + "/.hidden", "");
    fs::create_symlink(dir + "/数据.txt", dir + "/link");

    FileAttributes a;
    ASSERT_TRUE(GetFileAttributes(T(dir + "/数据.txt"), a));
    EXPECT_FALSE(a.isFolder);
    EXPECT_FALSE(a.isHidden);
    EXPECT_EQ(a.size, 5u);
    struct stat st;
    ASSERT_EQ(stat((dir + "/数据.txt").c_str(), &st), 0);
    EXPECT_EQ(a.lastWriteTime, st.st_mtime);

    ASSERT_TRUE(GetFileAttributes(T(dir + "/.hidden"), a));
    EXPECT_TRUE(a.isHidden);
    ASSERT_TRUE(GetFileAttributes(T(dir + "/"), a));
    EXPECT_TRUE(a.isFolder);
    EXPECT_EQ(a.size, 0u);
    ASSERT_TRUE(GetFileAttributes(T(dir + "/link"), a));
    EXPECT_TRUE(a.isSymlink);
    EXPECT_EQ(a.size, 5u);

    EXPECT_TRUE(PathExists(T(dir)));
    SetLastErrorCode(0);
    EXPECT_FALSE(PathExists(T(dir + "/missing")));
    EXPECT_EQ(GetLastErrorCode(), ENOENT);
    EXPECT_FALSE(GetFileAttributes(T(dir + "/missing"), a));
}

// Windows has no atomic exchange of two names (its callers replace instead).
TEST(FilesTest, ExchangeSwapsTwoFilesOrChangesNothing) {
    const std::string dir = test::MakeTestFolder("exchange");
    WriteFileBytes(dir + "/a", "first");
    WriteFileBytes(dir + "/b", "second");
    EXPECT_TRUE(ExchangeFiles(T(dir + "/a"), T(dir + "/b")));
    EXPECT_EQ(ReadFileBytes(dir + "/a"), "second");
    EXPECT_EQ(ReadFileBytes(dir + "/b"), "first");
    EXPECT_FALSE(ExchangeFiles(T(dir + "/a"), T(dir + "/missing")));
    EXPECT_EQ(GetLastErrorCode(), ENOENT);
    EXPECT_EQ(ReadFileBytes(dir + "/a"), "second");
    EXPECT_FALSE(fs::exists(dir + "/missing"));
}

TEST(FilesTest, ListDirectoryGivesDotEntriesAndNeverCallsALinkAFolder) {
    const std::string dir = test::MakeTestFolder("listing");
    fs::create_directory(dir + "/folder");
    WriteFileBytes(dir + "/.dot", "abc");
    fs::create_directory_symlink(dir + "/folder", dir + "/folderlink");

    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(T(dir), entries));
    const auto find = [&](const char16_t* name) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const DirectoryEntry& e) { return e.name == name; });
    };
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_NE(find(u"."), entries.end());
    EXPECT_NE(find(u".."), entries.end());
    EXPECT_FALSE(find(u"..")->isHidden);
    EXPECT_TRUE(find(u"folder")->isFolder);
    EXPECT_TRUE(find(u".dot")->isHidden);
    EXPECT_EQ(find(u".dot")->size, 3u);
    EXPECT_FALSE(find(u"folderlink")->isFolder);
    EXPECT_TRUE(find(u"folderlink")->isSymlink);

    EXPECT_FALSE(ListDirectory(T(dir + "/missing"), entries));
    EXPECT_EQ(GetLastErrorCode(), ENOENT);
}

TEST(FilesTest, NamesThatAreNotUtf8AreListedOpenedAndMadeByTheirBytes) {
    const std::string dir = test::MakeTestFolder("bytes");
    const std::string name = "\xB1\xA8\xB8\xE6.txt";
    WriteFileBytes(dir + "/" + name, "gbk");
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(T(dir), entries));
    const auto listed = std::find_if(entries.begin(), entries.end(),
                                     [](const DirectoryEntry& e) { return e.name.size() == 8; });
    ASSERT_NE(listed, entries.end());
    EXPECT_TRUE(PathExists(T(dir) + u"/" + listed->name));
    ASSERT_TRUE(RenameFile(T(dir) + u"/" + listed->name, T(dir) + u"/\xDCFF"));
    EXPECT_EQ(ReadFileBytes(dir + "/\xFF"), "gbk");
}

TEST(FilesTest, UniqueFoldersArePrivateAndNeverShared) {
    const std::string dir = test::MakeTestFolder("unique");
    EXPECT_EQ(CreateUniqueFolder(FromFileSystemBytes(dir + "/\xC1\xD9"), u"run-"), u"");
    EXPECT_EQ(GetLastErrorCode(), ENOENT);
    ASSERT_TRUE(CreateFolder(FromFileSystemBytes(dir + "/\xC1\xD9")));
    const Text first = CreateUniqueFolder(FromFileSystemBytes(dir + "/\xC1\xD9"), u"run-");
    const Text second = CreateUniqueFolder(FromFileSystemBytes(dir + "/\xC1\xD9/"), u"run-");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, first.size() - 7), FromFileSystemBytes(dir + "/\xC1\xD9/run-"));
    EXPECT_EQ(first.back(), u'/');
    struct stat st;
    ASSERT_EQ(stat(ToFileSystemBytes(first).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(FileStreamTest, OnlyRegularFilesOpenForReading) {
    const std::string dir = test::MakeTestFolder("regular");
    WriteFileBytes(dir + "/file", "bytes");
    fs::create_symlink("file", dir + "/link");
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
    FileStream stream;
    ASSERT_TRUE(stream.OpenRegularFile(T(dir + "/link")));
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 5u);
    EXPECT_FALSE(stream.OpenRegularFile(T(dir + "/pipe")));
    EXPECT_EQ(GetLastErrorCode(), ENODEV);
    EXPECT_FALSE(stream.OpenRegularFile(T(dir)));
    EXPECT_EQ(GetLastErrorCode(), EISDIR);
    EXPECT_FALSE(stream.OpenRegularFile(T(dir + "/missing")));
    EXPECT_EQ(GetLastErrorCode(), ENOENT);

    // Read whole, the same files pass and fail alike, the pipe without waiting for a writer.
    std::string bytes = "old";
    ASSERT_TRUE(ReadRegularFile(T(dir + "/link"), bytes));
    EXPECT_EQ(bytes, "bytes");
    WriteFileBytes(dir + "/empty", "");
    ASSERT_TRUE(ReadRegularFile(T(dir + "/empty"), bytes));
    EXPECT_EQ(bytes, "");
    for (const auto& [name, error] :
         {std::pair{"/pipe", ENODEV}, std::pair{"", EISDIR}, std::pair{"/missing", ENOENT}}) {
        bytes = "old";
        EXPECT_FALSE(ReadRegularFile(T(dir + name), bytes)) << name;
        EXPECT_EQ(GetLastErrorCode(), error) << name;
        EXPECT_EQ(bytes, "") << name;
    }

    FileAttributes attributes;
    ASSERT_TRUE(GetFileAttributes(T(dir + "/pipe"), attributes));
    EXPECT_FALSE(attributes.isRegularFile || attributes.isFolder);
    Text resolved;
    ASSERT_TRUE(ResolvePath(T(dir + "/./link"), resolved));
    EXPECT_EQ(resolved, T(fs::canonical(dir).string() + "/file"));
    EXPECT_FALSE(ResolvePath(T(dir + "/missing/.."), resolved));
}

// The copy starts and ends at the streams' positions, also with bytes still in a stream's
// buffer; a source the kernel cannot copy from is read through the buffer instead.
}  // namespace
}  // namespace zem::test
