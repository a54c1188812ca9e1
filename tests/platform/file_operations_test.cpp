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
#include "support/platform_text.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

namespace fs = std::filesystem;

using test::T;

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
    EXPECT_TRUE(CreateFolderAndParents(T(root + "/a/b/c/")));
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/b/c"));
    EXPECT_TRUE(CreateFolderAndParents(T(root + "/a/b//d")));
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/b/d"));
    EXPECT_TRUE(CreateFolderAndParents(T(root + "/a")));
    EXPECT_FALSE(CreateFolderAndParents(u""));
    WriteFileBytes(root + "/file", "x");
    EXPECT_FALSE(CreateFolderAndParents(T(root + "/file")));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotAFolder);
    EXPECT_FALSE(CreateFolderAndParents(T(root + "/file/sub/deeper")));
    EXPECT_FALSE(std::filesystem::exists(root + "/file/sub"));
}

// Windows' classic calls stop at 260 characters; a note's files may lie deeper, or have
// longer names, and are read and written all the same.
TEST(FilesTest, PathsPastTheClassicLimitWorkLikeAnyOther) {
    const std::string root = test::MakeTestFolder("long");
    const std::string deep = test::DeepPath(root, 400, 60);
    ASSERT_TRUE(CreateFolderAndParents(T(deep)));
    const Text file = T(deep + "/图片.png"), moved = T(deep + "/moved.png");
    ASSERT_TRUE(WriteFileAtomically(file, "picture"));
    std::string bytes;
    ASSERT_TRUE(ReadRegularFile(file, bytes));
    EXPECT_EQ(bytes, "picture");
    FileAttributes attributes;
    ASSERT_TRUE(GetFileAttributes(file, attributes));
    EXPECT_EQ(attributes.size, 7u);
    Text resolved;
    ASSERT_TRUE(ResolvePath(file, resolved)) << GetLastErrorCode();
    EXPECT_TRUE(resolved.ends_with(u"图片.png")) << ToUtf8(resolved);
    EXPECT_TRUE(ReadRegularFile(resolved, bytes));
    FileStream stream;
    ASSERT_TRUE(stream.Open(file, "ab"));
    EXPECT_TRUE(stream.Close());
    ASSERT_TRUE(RenameFile(file, moved));
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(T(deep), entries));
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const DirectoryEntry& e) { return e.name == u"moved.png"; }));
    EXPECT_TRUE(DeleteFile(moved));
    EXPECT_TRUE(RemoveFolder(T(deep)));
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

TEST(FilesTest, CurrentDirectory) {
    const std::string dir = test::MakeTestFolder("cwd");
    const Text before = GetCurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(T(dir)));
    EXPECT_EQ(GetCurrentDirectory(), T(fs::canonical(dir).string()));
    EXPECT_FALSE(SetCurrentDirectory(T(dir + "/missing")));
    ASSERT_TRUE(SetCurrentDirectory(before));
}

TEST(FileStreamTest, ModesReadWriteAppendAndUpdate) {
    const std::string dir = test::MakeTestFolder("stream");
    const Text path = T(dir + "/文件.bin");
    FileStream stream;
    EXPECT_FALSE(stream.Open(path, "rb"));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotFound);

    ASSERT_TRUE(stream.Open(path, "wbc"));
    EXPECT_EQ(stream.Write("hello", 5), 5u);
    EXPECT_EQ(stream.Size(), 5);  // buffered data counts
    EXPECT_TRUE(stream.Flush());
    EXPECT_TRUE(stream.Close());

    ASSERT_TRUE(stream.Open(path, "ab"));
    stream.Write(" world", 6);
    stream.Close();

    ASSERT_TRUE(stream.Open(path, "r+b"));
    ASSERT_TRUE(stream.Seek(0, SEEK_END));
    EXPECT_EQ(stream.Tell(), 11);
    ASSERT_TRUE(stream.Seek(0, SEEK_SET));
    stream.Write("J", 1);
    ASSERT_TRUE(stream.Seek(0, SEEK_SET));
    char buffer[32];
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 11u);  // a short read at the end
    EXPECT_EQ(std::string(buffer, 11), "Jello world");
    stream.Close();

    EXPECT_FALSE(stream.Open(path, "zz"));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kInvalidArgument);
    EXPECT_EQ(stream.Write("x", 1), 0u);
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotOpen);
}

TEST(FileStreamTest, OpenAlwaysKeepsContentAndCreatesWhenMissing) {
    const std::string dir = test::MakeTestFolder("open_always");
    WriteFileBytes(dir + "/existing", "abcdef");
    FileStream stream;
    ASSERT_TRUE(stream.OpenAlways(T(dir + "/existing")));
    stream.Write("XY", 2);
    stream.Close();
    EXPECT_EQ(ReadFileBytes(dir + "/existing"), "XYcdef");

    ASSERT_TRUE(stream.OpenAlways(T(dir + "/new")));
    stream.Write("n", 1);
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(ReadFileBytes(dir + "/new"), "n");
    EXPECT_FALSE(stream.OpenAlways(T(dir + "/missing/x")));
}

// Only regular files open for reading; a named pipe is refused at once instead of waiting for
// a writer, and a link is resolved both for opening and for ResolvePath.
TEST(FileStreamTest, CopyFromWorksAtTheStreamsPositions) {
    const std::string dir = test::MakeTestFolder("copy_from");
    WriteFileBytes(dir + "/source", "0123456789");
    FileStream source, target;
    ASSERT_TRUE(source.Open(T(dir + "/source"), "rb"));
    ASSERT_TRUE(target.Open(T(dir + "/target"), "wb"));
    char first[2];
    ASSERT_EQ(source.Read(first, 2), 2u);
    target.Write("ab", 2);  // buffered, not yet in the file
    EXPECT_EQ(target.CopyFrom(source, 5), 5);
    target.Write("!", 1);
    char rest[8];
    EXPECT_EQ(source.Read(rest, sizeof rest), 3u);
    EXPECT_EQ(std::string(rest, 3), "789");
    EXPECT_EQ(target.CopyFrom(source, 4), 0) << "nothing is left at the source's end";
    ASSERT_TRUE(target.Close());
    EXPECT_EQ(ReadFileBytes(dir + "/target"), "ab23456!");

    FileStream zeros;
    ASSERT_TRUE(zeros.Open(u"/dev/zero", "rb"));
    ASSERT_TRUE(target.Open(T(dir + "/zeros"), "wb"));
    EXPECT_EQ(target.CopyFrom(zeros, 3000), 3000);
    ASSERT_TRUE(target.Close());
    EXPECT_EQ(ReadFileBytes(dir + "/zeros"), std::string(3000, '\0'));
}

}  // namespace
}  // namespace zem
