// File and folder names that are not UTF-8, as archives made on Windows unpack: folders and
// files named in GBK bytes open, import and read well in the messages.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>

#include "imported_account_check.h"
#include "platform/text.h"
#include "support/environment.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

// GBK bytes that are not UTF-8 (the account folder's middle bytes happen to form a UTF-8
// character: they are read with their neighbours all the same).
constexpr char kAccountFolder[] = "\xD5\xCB\xBB\xA7";                // 账户
constexpr char kPictureFolder[] = "\xBB\xAD";                        // 画
constexpr char kPictureName[] = "\xBB\xAD\xCF\xF1.png";              // 画像.png
constexpr char kAttachmentName[] = "\xB1\xA8\xB8\xE6.txt";           // 报告.txt
constexpr char kUnreadableName[] = "\xFF\xFE.txt";                   // no GBK character
constexpr char kKnowledgeBaseFolder[] = "\xD6\xAA\xCA\xB6\xBF\xE2";  // 知识库
constexpr char kTemporaryFolder[] = "\xC1\xD9\xCA\xB1";              // 临时

bool IsUtf8(const std::string& bytes) {
    Text ignored;
    return FromUtf8Strict(bytes, ignored);
}

// The account lies in a GBK-named folder, with its storage folder (recorded by its bytes)
// and a picture and attachments named in GBK; the knowledge base and the temporary folder
// have GBK names too. Everything arrives, under the names' Chinese reading (the user's ANSI
// code page is GBK under zh_CN), or U+FFFD for bytes that are not GBK either.
TEST(FileNamesTest, AnAccountNamedInGbkImportsWithReadableNames) {
#ifdef _WIN32
    GTEST_SKIP() << "names held as GBK bytes exist only in Linux file systems (Windows names are "
                    "UTF-16)";
#endif
    SetEnv("LANG", "zh_CN.UTF-8");
    const std::string root = MakeTestFolder("gbk");
    const std::string temporary = root + "/" + kTemporaryFolder;
    SetEnv("TMPDIR", temporary);
    const std::string kb = root + "/" + kKnowledgeBaseFolder;
    fs::create_directories(kb);

    YNoteFixture y(root + "/" + kAccountFolder);
    y.AddNotebook("nb", "工作");
    y.AddNote({"n1", "GBK 文件夹里的笔记", "nb", "", 1680000000, 1680000000, "",
               "<p><img src=\"PIC1\"> <img src=\"PIC2\"></p>"});
    const std::string ascii = MakePngImage(6, 6, 1, 2, 3), gbk = MakePngImage(9, 4, 200, 0, 0);
    y.AddResource("PIC1", "n1", 1, "u1\\PIC1.png", ascii);
    y.AddResource("PIC2", "n1", 1, std::string(kPictureFolder) + "\\" + kPictureName, gbk);
    y.AddResource("ATT1", "n1", 2, std::string("f1\\") + kAttachmentName, "report");
    y.AddResource("ATT2", "n1", 2, std::string("f2\\") + kUnreadableName, "unreadable");
    y.Close();
    ASSERT_TRUE(fs::exists(y.StorageFolder() + kPictureFolder + "/" + kPictureName));

    const ProgramResult run = RunImport(kb, y.DatabasePath());
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_TRUE(IsUtf8(run.output) && IsUtf8(run.errors));

    const std::string documentFolder =
        kb + "/documents/" + DocumentGuid(kb, "GBK 文件夹里的笔记") + "/";
    const std::string page = ReadFileBytes(documentFolder + "index.html");
    EXPECT_NE(page.find("index_files/u1/PIC1.png"), std::string::npos) << page;
    EXPECT_NE(page.find("index_files/画/画像.png"), std::string::npos) << page;
    EXPECT_EQ(ReadFileBytes(documentFolder + "index_files/u1/PIC1.png"), ascii);
    EXPECT_EQ(ReadFileBytes(documentFolder + "index_files/画/画像.png"), gbk);

    SqliteFile index(kb + "/index.db", SqliteFile::Mode::kReadOnly);
    std::set<std::string> names;
    for (const SqlRow& a : index.Query("select guid, name from attachment")) {
        names.insert(a[1]);
        EXPECT_EQ(ReadFileBytes(kb + "/attachments/" + a[0] + "/" + a[1]),
                  a[1] == "报告.txt" ? "report" : "unreadable");
    }
    EXPECT_EQ(names, (std::set<std::string>{"报告.txt", "\xEF\xBF\xBD\xEF\xBF\xBD.txt"}));
    EXPECT_EQ(index.Value("select integrity_check from pragma_integrity_check"), "ok");
    EXPECT_TRUE(fs::is_empty(temporary + "/Zem/Import.YNote"));
}

TEST(FileNamesTest, AMissingDatabaseInAGbkFolderIsNamedReadably) {
#ifdef _WIN32
    GTEST_SKIP() << "names held as GBK bytes exist only in Linux file systems (Windows names are "
                    "UTF-16)";
#endif
    SetEnv("LANG", "zh_CN.UTF-8");
    const std::string root = MakeTestFolder("gbk-missing");
    fs::create_directories(root + "/kb");
    const ProgramResult run =
        RunImport(root + "/kb", root + "/" + kAccountFolder + "/" + kAttachmentName);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("文件不存在：\n\n" + root + "/账户/报告.txt\n"), std::string::npos)
        << run.output;
    EXPECT_TRUE(IsUtf8(run.output));
}

}  // namespace
}  // namespace zem::test
