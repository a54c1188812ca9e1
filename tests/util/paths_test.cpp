#include "util/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/system_info.h"
#include "support/platform_text.h"
#include "support/test_home.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace zem {
namespace {

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

// A name starting with "." is hidden on POSIX; Windows hides by the file's attribute.
void MakeHidden(const std::string& path) {
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(FromUtf8(path).c_str()),
                                   FILE_ATTRIBUTE_HIDDEN));
#else
    ASSERT_EQ(fs::path(path).filename().string().front(), '.');
#endif
}

using test::T;

TEST(PathPieces, SplitLikeThePathSplitter) {
    EXPECT_EQ(GetFolderPart(u"/a/b/c.txt"), u"/a/b/");
    EXPECT_EQ(GetFolderPart(u"/a/b/"), u"/a/b/");
    EXPECT_EQ(GetFolderPart(u"c.txt"), u"");
    EXPECT_EQ(GetFolderPart(u"a\\b.txt"), u"a\\");
    EXPECT_EQ(GetParentFolder(u"/a/b/"), u"/a/");
    EXPECT_EQ(GetParentFolder(u"/a/b"), u"/a/");
    EXPECT_EQ(GetParentFolder(u"b/"), u"");
    EXPECT_EQ(GetExtension(u"/a.b/c"), u"");
    EXPECT_EQ(GetExtension(u"/a/c.tar.gz"), u".gz");
    EXPECT_EQ(GetBaseName(u"/a/c.tar.gz"), u"c.tar");
    EXPECT_EQ(GetBaseName(u"/a.b/c"), u"c");
    EXPECT_EQ(GetFileNamePart(u"/a/c.txt"), u"c.txt");
    EXPECT_EQ(GetLongPath(u"/x/y"), u"/x/y");
}

TEST(PathPieces, ProgramAndTemporaryFolders) {
    const Text folder = GetProgramFolder();
    EXPECT_EQ(folder + GetFileNamePart(GetModulePath()), GetModulePath());
    EXPECT_EQ(folder, ToNativeSeparators(T(test::BinDir()) + u"/"));
    EXPECT_EQ(GetSystemTempPath(), ToNativeSeparators(T(test::TestHome()) + u"/tmp/"));
}

TEST(CreateFolderBelowRoot, CreatesMissingParentsOnly) {
    const std::string root = test::MakeTestFolder("tree");
    EXPECT_TRUE(CreateFolderBelowRoot(T(root + "/x/y/z")));
    EXPECT_TRUE(fs::is_directory(root + "/x/y/z"));
    EXPECT_TRUE(CreateFolderBelowRoot(T(root + "/x/y/z/")));
    EXPECT_FALSE(CreateFolderBelowRoot(u""));

    // A file in the way is neither a folder nor a parent of one.
    Touch(root + "/file");
    EXPECT_FALSE(CreateFolderBelowRoot(T(root + "/file")));
    EXPECT_FALSE(CreateFolderBelowRoot(T(root + "/file/sub")));
}

TEST(CreateFolderBelowRoot, NeverCreatesTheFirstPieceOfARelativePath) {
    const std::string root = test::MakeTestFolder("relative");
    fs::current_path(root);
    EXPECT_FALSE(CreateFolderBelowRoot(u"a/b"));
    EXPECT_FALSE(fs::exists(root + "/a"));
    EXPECT_TRUE(CreateFolderBelowRoot(u"single"));
    EXPECT_FALSE(fs::exists(root + "/single"));
    fs::create_directory(root + "/a");
    EXPECT_TRUE(CreateFolderBelowRoot(u"a/b/c"));
    EXPECT_TRUE(fs::is_directory(root + "/a/b/c"));
}

TEST(CreateFolderBelowRoot, HandlesPathsBeyondTheOldBufferLimit) {
    const std::string root = test::MakeTestFolder("long");
    const std::string path = test::DeepPath(root, 1500, 200);
    EXPECT_TRUE(CreateFolderBelowRoot(T(path)));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(GetFolderPart(T(path + "/f.txt")), T(path + "/"));
}

TEST(FileFacts, SizeAndModifiedTime) {
    const std::string root = test::MakeTestFolder("facts");
    std::ofstream(root + "/five") << "12345";
    EXPECT_EQ(GetFileLength(T(root + "/five")), 5);
    EXPECT_EQ(GetFileLength(T(root)), 0);
    EXPECT_EQ(GetFileLength(T(root + "/missing")), 0);

    const DateTime missing = GetFileModifiedTime(T(root + "/missing"));
    EXPECT_TRUE(missing.valid);
    EXPECT_DOUBLE_EQ(missing.value, 36526.0);  // 2000-01-01 00:00:00

    const int64_t unixTime = 1700000000;
    fs::last_write_time(root + "/five", std::chrono::file_clock::from_sys(std::chrono::sys_seconds(
                                            std::chrono::seconds(unixTime))));
    CalendarTime local;
    ASSERT_TRUE(UnixTimeToLocalCalendar(unixTime, local));
    const DateTime modified = GetFileModifiedTime(T(root + "/five"));
    ASSERT_TRUE(modified.valid);
    CalendarTime back;
    ASSERT_TRUE(OleDateToCalendar(modified.value, back));
    EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
              std::tie(local.year, local.month, local.day, local.hour, local.minute, local.second));
}

// F holds a.txt, .hidden.txt, readme, a.TXT.bak, B.TXT, sub/b.txt, sub/deep/c.txt, .hid/d.txt
// (names differing in case only would be one file on Windows).
std::string MakeEnumerationTree() {
    const std::string root = test::MakeTestFolder("enum");
    for (const char* name : {"a.txt", ".hidden.txt", "readme", "a.TXT.bak", "B.TXT", "sub/b.txt",
                             "sub/deep/c.txt", ".hid/d.txt"}) {
        Touch(root + "/" + name);
    }
    MakeHidden(root + "/.hidden.txt");
    MakeHidden(root + "/.hid");
    return root;
}

// The paths below `root`, with "/" between their pieces whatever the platform's separator.
TextList Names(const TextList& paths, const std::string& root) {
    TextList names;
    for (const Text& path : paths) {
        Text name = path.substr(root.size() + 1);
        std::replace(name.begin(), name.end(), u'\\', u'/');
        names.push_back(name);
    }
    return names;
}

TEST(EnumerateFiles, FiltersByExtensionAndHiddenFlag) {
    const std::string root = MakeEnumerationTree();
    TextList list{u"kept"};
    EnumerateFiles(T(root), u"*.txt", list, 0);
    EXPECT_EQ(list.front(), u"kept");
    list.erase(list.begin());
    TextList names = Names(list, root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (TextList{u"B.TXT", u"a.txt"}));

    list.clear();
    EnumerateFiles(T(root + "/"), u"*.bak;*.TXT", list, kEnumIncludeHidden);
    EXPECT_EQ(list.size(), 4u);  // a.txt, .hidden.txt, a.TXT.bak, B.TXT

    list.clear();
    EnumerateFiles(T(root), u"*.*", list, 0);
    EXPECT_EQ(list.size(), 4u);  // readme too, .hidden.txt not
}

TEST(EnumerateFiles, ListsASubfolderWhereItsEntryIsMet) {
    const std::string root = MakeEnumerationTree();
    TextList list;
    EnumerateFiles(T(root), u"*.txt", list, kEnumRecursive);
    const TextList names = Names(list, root);
    // The hidden folder is descended into; its file is not hidden.
    EXPECT_EQ(std::count(names.begin(), names.end(), u".hid/d.txt"), 1);
    ASSERT_EQ(names.size(), 5u);
    // A subfolder's files come together, at the place of its entry in the listing.
    const auto at = [&](TextView name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_EQ(std::abs(at(u"sub/b.txt") - at(u"sub/deep/c.txt")), 1);
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(T(root), entries));
    const auto entryAt = [&](TextView name) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const DirectoryEntry& e) { return e.name == name; }) -
               entries.begin();
    };
    EXPECT_EQ(at(u"a.txt") < at(u"sub/b.txt"), entryAt(u"a.txt") < entryAt(u"sub"));
    EXPECT_EQ(at(u"B.TXT") < at(u".hid/d.txt"), entryAt(u"B.TXT") < entryAt(u".hid"));
}

TEST(EnumerateFolders, ParentsPrecedeTheirChildrenWithoutSeparator) {
    const std::string root = MakeEnumerationTree();
    TextList list;
    EnumerateFolders(T(root), list, kEnumRecursive);
    TextList names = Names(list, root);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], u"sub");
    EXPECT_EQ(names[1], u"sub/deep");

    list.clear();
    EnumerateFolders(T(root), list, kEnumIncludeHidden);
    names = Names(list, root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (TextList{u".hid", u"sub"}));
}

TEST(ClearFolder, EmptiesTheFolderHiddenEntriesToo) {
    const std::string root = MakeEnumerationTree();
    ClearFolder(T(root));
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_TRUE(fs::is_empty(root));

    ClearFolder(T(root + "/missing"));
    EXPECT_FALSE(fs::exists(root + "/missing"));
}

// Making a symbolic link takes a privilege on Windows (and mingw's std::filesystem cannot).
#ifndef _WIN32
TEST(ClearFolder, NeverFollowsLinksOut) {
    const std::string root = MakeEnumerationTree();
    const std::string outside = test::MakeTestFolder("outside");
    Touch(outside + "/precious.txt");
    fs::create_directory_symlink(outside, root + "/sub/link");
    fs::create_symlink(outside + "/precious.txt", root + "/filelink");

    ClearFolder(T(root));
    EXPECT_TRUE(fs::is_empty(root));
    EXPECT_TRUE(fs::exists(outside + "/precious.txt"));

    // A link given as the folder itself is left alone, and so is its target.
    fs::create_directory_symlink(outside, root + "/linked");
    ClearFolder(T(root + "/linked/"));
    RemoveFolderTree(T(root + "/linked"));
    EXPECT_TRUE(fs::exists(outside + "/precious.txt"));
}
#endif

TEST(RemoveFolderTree, RemovesEverything) {
    const std::string root = MakeEnumerationTree();
    RemoveFolderTree(T(root + "/"));
    EXPECT_FALSE(fs::exists(root));
}

TEST(RemoveEmptySubfolders, KeepsSubfoldersThatHoldFiles) {
    const std::string root = test::MakeTestFolder("subfolders");
    Touch(root + "/full/deep/f.txt");
    fs::create_directories(root + "/empty/a/b");
    EXPECT_TRUE(RemoveEmptySubfolders(T(root)));
    EXPECT_TRUE(fs::exists(root + "/full/deep/f.txt"));
    EXPECT_FALSE(fs::exists(root + "/empty"));
}

TEST(RemoveEmptyFolder, RemovesOnlyEmptyFolders) {
    const std::string root = test::MakeTestFolder("remove");
    fs::create_directories(root + "/e");
    Touch(root + "/full/f");
    EXPECT_TRUE(RemoveEmptyFolder(T(root + "/e")));
    EXPECT_FALSE(fs::exists(root + "/e"));
    EXPECT_FALSE(RemoveEmptyFolder(T(root + "/full")));
    EXPECT_FALSE(RemoveEmptyFolder(T(root + "/full/")));
}

}  // namespace
}  // namespace zem
