// Working files given up and written over again: the same inodes serve note after note, and
// what is written over holds exactly the new bytes.
#include "import/reusable_files.h"

#include <sys/stat.h>

#include <filesystem>

#include "import/file_copy.h"
#include "import/working_files.h"
#include "import_test_env.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(ReusableFilesTest, AFileGivenUpServesTheNextNameAndIsWrittenOverExactly) {
    const std::string folder = MakeTestFolder("reusable") + "/";
    ReusableFiles reusable(FromUtf8(folder + "spare/"));
    WriteFileBytes(folder + "note1.htm", std::string(5000, 'a'));
    const ino_t inode = InodeOf(folder + "note1.htm");
    reusable.Release(FromUtf8(folder + "note1.htm"));
    EXPECT_FALSE(fs::exists(folder + "note1.htm"));
    EXPECT_EQ(reusable.SpareCount(), 1u);

    // A name already taken is left alone, and the spare waits on.
    WriteFileBytes(folder + "taken.png", "taken");
    reusable.Claim(FromUtf8(folder + "taken.png"));
    EXPECT_EQ(ReadFileBytes(folder + "taken.png"), "taken");
    EXPECT_EQ(reusable.SpareCount(), 1u);

    // The next copy lands in the same inode and holds the source's bytes, nothing of the old.
    WriteFileBytes(folder + "source.png", "short picture");
    reusable.Claim(FromUtf8(folder + "picture.png"));
    EXPECT_EQ(reusable.SpareCount(), 0u);
    ASSERT_TRUE(
        CopyFileContents(FromUtf8(folder + "source.png"), FromUtf8(folder + "picture.png")));
    EXPECT_EQ(ReadFileBytes(folder + "picture.png"), "short picture");
    EXPECT_EQ(InodeOf(folder + "picture.png"), inode);
}

TEST(ReusableFilesTest, LargeFilesAndFilesPastTheLimitAreRemoved) {
    const std::string folder = MakeTestFolder("reusable-limits") + "/";
    ReusableFiles reusable(FromUtf8(folder + "spare/"));
    WriteFileBytes(folder + "big.bin", std::string((1 << 20) + 1, 'b'));
    reusable.Release(FromUtf8(folder + "big.bin"));
    EXPECT_FALSE(fs::exists(folder + "big.bin"));
    EXPECT_EQ(reusable.SpareCount(), 0u);
    for (int i = 0; i < 70; ++i) {
        WriteFileBytes(folder + std::to_string(i), "small");
        reusable.Release(FromUtf8(folder + std::to_string(i)));
        EXPECT_FALSE(fs::exists(folder + std::to_string(i)));
    }
    EXPECT_EQ(reusable.SpareCount(), 64u);
    // A path that is no file is only forgotten.
    reusable.Release(FromUtf8(folder + "missing"));
    EXPECT_EQ(reusable.SpareCount(), 64u);
}

// A note's folders go with its files, kept empty as spares, and serve the next note's folder;
// a folder still holding something is left alone.
TEST(ReusableFilesTest, FoldersOfANoteAreGivenUpWithItsFilesAndServeTheNextNote) {
    const std::string folder = MakeTestFolder("reusable-folders") + "/";
    ImportWorkingFiles files(FromUtf8(folder), false);
    ASSERT_TRUE(files.Ready());
    const std::string notes = ToUtf8(files.NotesFolder());
    fs::create_directories(notes + "n1/sub");
    WriteFileBytes(notes + "n1/sub/picture.png", "picture");
    WriteFileBytes(notes + "n1.htm", "page");
    const ino_t inode = InodeOf(notes + "n1");
    TextList written{FromUtf8(notes + "n1/sub/picture.png"), FromUtf8(notes + "n1.htm")};
    files.GiveUpFiles(written);
    EXPECT_TRUE(fs::is_empty(notes));
    EXPECT_EQ(files.Reusable()->SpareFolderCount(), 2u);

    files.Reusable()->ClaimFolder(FromUtf8(notes + "n2/"));
    EXPECT_TRUE(fs::is_directory(notes + "n2"));
    EXPECT_TRUE(fs::is_empty(notes + "n2"));
    EXPECT_EQ(InodeOf(notes + "n2"), inode);
    // Not where the parent is missing, nor over what is there.
    files.Reusable()->ClaimFolder(FromUtf8(notes + "missing/n3/"));
    files.Reusable()->ClaimFolder(FromUtf8(notes + "n2/"));
    EXPECT_FALSE(fs::exists(notes + "missing"));
    EXPECT_EQ(files.Reusable()->SpareFolderCount(), 1u);

    WriteFileBytes(notes + "n2/kept.txt", "not the run's");
    WriteFileBytes(notes + "n2/copy.png", "copy");
    written = {FromUtf8(notes + "n2/copy.png")};
    files.GiveUpFiles(written);
    EXPECT_EQ(ReadFileBytes(notes + "n2/kept.txt"), "not the run's");
    EXPECT_FALSE(fs::exists(notes + "n2/copy.png"));
}

}  // namespace
}  // namespace zem::test
