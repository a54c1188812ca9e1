// File and folder operations as Windows performs them; the POSIX edition's give the same
// results and error kinds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

namespace fs = std::filesystem;

Text T(const std::string& utf8) {
    return FromUtf8(utf8);
}

TEST(FilesTest, PathWithNulCharacterIsRejectedNotTruncated) {
    // Not "nul": that names a device on Windows.
    const std::string dir = test::MakeTestFolder("nul-character");
    WriteFileBytes(dir + "/a", "x");
    Text path = T(dir + "/a");
    path += u'\0';
    path += u"b";
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kInvalidArgument);
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_TRUE(fs::exists(dir + "/a"));
    FileStream stream;
    EXPECT_FALSE(stream.Open(path, "rb"));
}

TEST(FilesTest, FolderAndFileOperationsSetLastError) {
    const std::string dir = test::MakeTestFolder("operations");
    EXPECT_TRUE(CreateFolder(T(dir + "/sub")));
    EXPECT_FALSE(CreateFolder(T(dir + "/sub")));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kAlreadyExists);
    EXPECT_FALSE(CreateFolder(T(dir + "/missing/sub")));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotFound);

    WriteFileBytes(dir + "/sub/f", "x");
    EXPECT_FALSE(RemoveFolder(T(dir + "/sub")));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotEmpty);
    EXPECT_FALSE(DeleteFile(T(dir + "/sub")));  // a folder is not deleted as a file

    WriteFileBytes(dir + "/g", "new");
    EXPECT_TRUE(RenameFile(T(dir + "/g"), T(dir + "/sub/f")));
    EXPECT_EQ(ReadFileBytes(dir + "/sub/f"), "new");
    EXPECT_TRUE(DeleteFile(T(dir + "/sub/f")));
    EXPECT_TRUE(RemoveFolder(T(dir + "/sub")));
    EXPECT_FALSE(fs::exists(dir + "/sub"));
    const int notFound = ErrorCodeOf(ErrorKind::kNotFound);
    EXPECT_FALSE(SystemErrorText(notFound).empty());
    EXPECT_EQ(SystemErrorText(notFound).find(u'\n'), Text::npos);
}

TEST(FilesTest, FolderTreesAreMadeFromTheDeepestExistingFolder) {
    const std::string root = test::MakeTestFolder("trees");
    const auto T = [](const std::string& path) { return FromUtf8(path); };
    EXPECT_TRUE(CreateFolderTree(T(root + "/a/b/c/")));
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/b/c"));
    EXPECT_TRUE(CreateFolderTree(T(root + "/a/b//d")));
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/b/d"));
    EXPECT_TRUE(CreateFolderTree(T(root + "/a")));
    EXPECT_FALSE(CreateFolderTree(u""));
    WriteFileBytes(root + "/file", "x");
    EXPECT_FALSE(CreateFolderTree(T(root + "/file")));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotAFolder);
    EXPECT_FALSE(CreateFolderTree(T(root + "/file/sub/deeper")));
    EXPECT_FALSE(std::filesystem::exists(root + "/file/sub"));
}

TEST(TextTest, LinksArePercentEncodedAlikeInBytesAndInText) {
    const std::string path = "res/a b&c(1)%#?\"'<>\\\x7F\x01\xE4\xB8\xAD.png";
    const std::string expected =
        "res/a%20b%26c%281%29%25%23%3F%22%27%3C%3E%5C%7F%01\xE4\xB8\xAD.png";
    EXPECT_EQ(PercentEncodeLink(path), expected);
    EXPECT_EQ(PercentEncodeLink(FromUtf8(path)), FromUtf8(expected));
    // A name that is not UTF-8 keeps its bytes' stand-ins.
    EXPECT_EQ(PercentEncodeLink(Text(u"a\xDCB1 b")), u"a\xDCB1%20b");
    EXPECT_TRUE(EqualsIgnoreAsciiCase(std::string_view("Charset"), std::string_view("cHARSET")));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(std::string_view("\xC3\x84"), std::string_view("\xC3\xA4")));
}

// A whole file is replaced, never torn; a write that fails leaves the old file and no
// temporary file behind.
TEST(FilesTest, AtomicWritesReplaceWholeFilesAndLeaveNothingOnFailure) {
    const std::string dir = test::MakeTestFolder("atomic");
    const auto names = [&dir] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    ASSERT_TRUE(WriteFileAtomically(T(dir + "/a.txt"), "first"));
    ASSERT_TRUE(WriteFileAtomically(T(dir + "/a.txt"), "second, longer", FileSync::kToDisk,
                                    FileAccess::kOwnerOnly));
    EXPECT_EQ(ReadFileBytes(dir + "/a.txt"), "second, longer");
#ifndef _WIN32  // Windows files have no modes
    struct stat st;
    ASSERT_EQ(stat((dir + "/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
#endif

    fs::create_directory(dir + "/folder");
    EXPECT_FALSE(WriteFileAtomically(T(dir + "/folder"), "bytes"));
    EXPECT_NE(GetLastErrorCode(), 0);
    EXPECT_FALSE(WriteFileAtomically(T(dir + "/missing/a.txt"), "bytes"));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotFound);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "folder"}));
}

}  // namespace
}  // namespace zem
