#include "import/note_resources.h"

#include <algorithm>
#include <filesystem>

#include "import/file_copy.h"
#include "import_test_env.h"
#include "support/test_files.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

class ResourcesTest : public ImportTest {
  protected:
    void SetUp() override {
        ImportTest::SetUp();
        importFolder_ = folder_ + "/import/";
        fs::create_directories(importFolder_);
    }
    std::vector<ResourceEntry> Attachments(const std::string& noteId) {
        fixture_->Close();
        auto database = OpenYNote(fixture_->DatabasePath());
        std::vector<ResourceEntry> entries;
        EXPECT_TRUE(CollectAttachments(database.Get(), FromUtf8(noteId), FromUtf8(importFolder_),
                                       entries, Store()));
        return entries;
    }
    ResourceStore& Store() {
        if (!store_)
            store_ = std::make_unique<ResourceStore>(FromUtf8(fixture_->StorageFolder()), true);
        return *store_;
    }
    // The losses recorded so far: "resource id: reason number".
    std::vector<std::string> Losses() {
        std::vector<std::string> losses;
        for (const ResourceLoss& loss : Store().TakeLosses())
            losses.push_back(Utf8(loss.resourceId) + ": " + std::to_string(int(loss.reason)));
        return losses;
    }
    std::vector<std::string> Names(const std::vector<ResourceEntry>& entries) {
        std::vector<std::string> names;
        for (const auto& e : entries)
            names.push_back(Utf8(e.fileName));
        return names;
    }
    std::string importFolder_;
    std::unique_ptr<ResourceStore> store_;
};

TEST(SanitizeFileNameTest, MakesUsableNamesAndLeavesValidOnesAlone) {
    struct Case {
        Text in, out;
    } cases[] = {
        {u"report.pdf", u"report.pdf"},
        {u"  spaced name.txt ", u"  spaced name.txt "},  // valid: neither trimmed nor collapsed
        {u"a:b?c.txt", u"a-b-c.txt"},
        {u"a:?b", u"a-b"},
        {u"?*<>|", u""},
        {u" 'quoted', 100% ", u"quoted- 100"},
        {u"back\\slash:x", u"back\\slash-x"},
    };
    for (const Case& c : cases) {
        Text name = c.in;
        SanitizeFileName(name);
        EXPECT_EQ(name, c.out) << Utf8(c.in);
    }
    Text longName = Text(300, u'x') + u".abcd";
    longName[10] = u':';
    SanitizeFileName(longName);
    EXPECT_EQ(longName, Text(10, u'x') + u"-" + Text(243, u'x') + u".abcd");
    EXPECT_TRUE(IsValidFileName(Text(259, u'a')));
    EXPECT_FALSE(IsValidFileName(Text(260, u'a')));
}

TEST(IsPathInsideFolderTest, RefusesAbsolutePathsAndParentSteps) {
    for (const char16_t* inside : {u"a\\b.png", u"a/b.png", u"..a\\b..", u"a\\.\\b", u""})
        EXPECT_TRUE(IsPathInsideFolder(inside)) << Utf8(inside);
    for (const char16_t* outside :
         {u"..\\x", u"a\\..\\..\\x", u"/etc/passwd", u"\\x", u"a/..", u".."})
        EXPECT_FALSE(IsPathInsideFolder(outside)) << Utf8(outside);
}

TEST_F(ResourcesTest, CopiesFilesOfEverySizeByteForByte) {
    const std::string source = folder_ + "/source";
    const std::string target = folder_ + "/target";
    for (size_t size : {size_t(0), size_t(10485760), size_t(10485761), size_t(25165825)}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; i += 4093)
            bytes[i] = static_cast<char>(i / 4093 + 1);
        WriteFileBytes(source, bytes);
        WriteFileBytes(target, "old content that is longer than nothing");
        ASSERT_TRUE(CopyFileContents(FromUtf8(source), FromUtf8(target))) << size;
        EXPECT_TRUE(ReadFileBytes(target) == bytes) << size;
    }
}

TEST_F(ResourcesTest, AFileCopiedOntoItselfKeepsItsBytes) {
    const std::string path = folder_ + "/same";
    WriteFileBytes(path, "keep me");
    fs::create_hard_link(path, folder_ + "/link");
    EXPECT_TRUE(CopyFileContents(FromUtf8(path), FromUtf8(path)));
    EXPECT_TRUE(CopyFileContents(FromUtf8(path), FromUtf8(folder_ + "/link")));
    EXPECT_EQ(ReadFileBytes(path), "keep me");
}

TEST_F(ResourcesTest, ACopyThatCannotBeMadeFailsAndLeavesNoTarget) {
    const std::string target = folder_ + "/target";
    EXPECT_FALSE(CopyFileContents(FromUtf8(folder_ + "/missing"), FromUtf8(target)));
    EXPECT_FALSE(CopyFileContents(FromUtf8(folder_), FromUtf8(target)));  // a folder is no source
    EXPECT_FALSE(fs::exists(target));

    WriteFileBytes(folder_ + "/small", "bytes");
    const std::string unreachable = folder_ + "/no such folder/x";
    EXPECT_FALSE(CopyFileContents(FromUtf8(folder_ + "/small"), FromUtf8(unreachable)));
    EXPECT_NE(LogText().find("Can't create or open file: " + unreachable), std::string::npos);
}

TEST_F(ResourcesTest, AttachmentsGetSafeDistinctNamesAndSkipTheOtherKinds) {
    YNoteFixture& ynote = MakeFixture();
    const std::string n = "note";
    ynote.AddResource("r1", n, 2, "a\\report.pdf", "first");
    ynote.AddResource("r2", n, 2, "b\\report.pdf", "second");
    ynote.AddResource("r3", n, 5, "c\\,%'", "only forbidden");
    ynote.AddResource("r4", n, 2, "d\\sub\\inner.txt", "inner");
    ynote.AddResource("r5", n, 2, "plain.txt", "no backslash");
    ynote.AddResource("r6", n, 2, "e\\", std::nullopt);  // a folder: no name, no attachment
    ynote.AddResource("r7", n, 1, "f\\picture.png", "inline only");
    ynote.AddResource("r8", n, 3, "g\\picture.png", "inline only");
    ynote.AddResource("r9", n, 4, "h\\unused.bin", "never");
    ynote.AddResource("r10", n, 2, "i\\missing.bin", std::nullopt);
    ynote.AddResource("r11", "other note", 2, "j\\other.txt", "other");
    std::vector<std::string> names = Names(Attachments(n));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"plain.txt", "r3", "report (2).pdf", "report.pdf",
                                               "sub\\inner.txt"}));
    EXPECT_EQ(Losses(), std::vector<std::string>{"r10: 1"});  // its file is missing
    // Both copies survive, each under its own name.
    EXPECT_EQ(ReadFileBytes(importFolder_ + "report.pdf") +
                  ReadFileBytes(importFolder_ + "report (2).pdf"),
              "firstsecond");
    EXPECT_EQ(ReadFileBytes(importFolder_ + "r3"), "only forbidden");
    EXPECT_EQ(ReadFileBytes(importFolder_ + "sub/inner.txt"), "inner");
}

// Long names cut to the same text: the second is numbered and still fits the file system's
// 255-byte limit for a name, so both copies are made.
TEST_F(ResourcesTest, AttachmentsWhoseShortenedNamesMeetAreNumberedWithinTheNameLimit) {
    YNoteFixture& ynote = MakeFixture();
    const std::string folder = "ddddd\\";
    ynote.AddResource("r1", "n", 2, "a\\" + folder + std::string(250, 'b') + "X.pdf", "first");
    ynote.AddResource("r2", "n", 2, "b\\" + folder + std::string(250, 'b') + "Y.pdf", "second");
    const std::string shortened = std::string(249, 'b');
    EXPECT_EQ(Names(Attachments("n")),
              (std::vector<std::string>{folder + shortened + ".pdf",
                                        folder + std::string(247, 'b') + " (2).pdf"}));
    EXPECT_EQ(Losses(), std::vector<std::string>());
    EXPECT_EQ(ReadFileBytes(importFolder_ + "ddddd/" + shortened + ".pdf"), "first");
    EXPECT_EQ(ReadFileBytes(importFolder_ + "ddddd/" + std::string(247, 'b') + " (2).pdf"),
              "second");
}

TEST_F(ResourcesTest, ResourcesWhosePathsLeaveTheirFolderAreRecordedAsLosses) {
    YNoteFixture& ynote = MakeFixture();
    WriteFileBytes(folder_ + "/secret.txt", "secret");
    ynote.AddResource("up", "it's", 2, "x\\..\\..\\secret.txt");
    ynote.AddResource("abs", "it's", 2, Utf8(FromUtf8(folder_ + "/secret.txt")));
    ynote.AddResource("fine", "it's", 2, "x\\fine.txt", "fine");
    ynote.AddResource("pic", "it's", 1, "..\\..\\secret.txt");
    EXPECT_EQ(Names(Attachments("it's")), (std::vector<std::string>{"fine.txt"}));
    EXPECT_FALSE(fs::exists(folder_ + "/import/secret.txt"));

    auto database = OpenYNote(ynote.DatabasePath());
    std::vector<ResourceEntry> inlineEntries;
    ASSERT_TRUE(CollectInlineResources(database.Get(), u"it's", FromUtf8(importFolder_),
                                       inlineEntries, {u"<img src=\"pic\">"}, Store()));
    EXPECT_TRUE(inlineEntries.empty());
    std::vector<std::string> losses = Losses();
    std::sort(losses.begin(), losses.end());
    EXPECT_EQ(losses, (std::vector<std::string>{"abs: 0", "pic: 0", "up: 0"}));  // unsafe paths
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ResourcesTest, InlineResourcesAreTheOnesTheHtmlNames) {
    YNoteFixture& ynote = MakeFixture();
    ynote.AddResource("WEBRES1", "n", 1, "u\\deep\\one.png", "png one");
    ynote.AddResource("WEBRES2", "n", 2, "u\\two.png", "png two");
    ynote.AddResource("WEBRES3", "n", 1, "u\\three.png", "not named");
    ynote.AddResource("WEBRES4", "n", 4, "u\\four.png", "type four");
    ynote.Close();
    auto database = OpenYNote(ynote.DatabasePath());
    std::vector<ResourceEntry> entries;
    ASSERT_TRUE(CollectInlineResources(database.Get(), u"n", FromUtf8(importFolder_), entries,
                                       {u"WEBRES1 ", u"WEBRES2 WEBRES4"}, Store()));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].fileName, u"u\\deep\\one.png");
    EXPECT_EQ(entries[0].searchText, u"WEBRES1");
    EXPECT_EQ(ReadFileBytes(importFolder_ + "u/deep/one.png"), "png one");
    EXPECT_EQ(ReadFileBytes(importFolder_ + "u/two.png"), "png two");
    EXPECT_FALSE(fs::exists(importFolder_ + "u/three.png"));
    EXPECT_FALSE(fs::exists(importFolder_ + "u/four.png"));
}

}  // namespace
}  // namespace zem::test
