// Accounts whose notebooks cannot be read: the table is missing, or has no columns of the
// names the import asks for. The failure is shown once, and every note still arrives, in
// the root folder, as a note whose notebook row is missing does.
#include <gtest/gtest.h>

#include "faults/fault_scenario.h"
#include "support/sqlite_file.h"

namespace zem::test {
namespace {

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(NotebookTableTest, UnreadableNotebooksSendEveryNoteToTheRootFolderWithOneMessage) {
    const std::pair<const char*, const char*> shapes[] = {
        {"missing", "drop table notebook_attr"},
        {"other columns",
         "drop table notebook_attr; create table notebook_attr(id, name); "
         "insert into notebook_attr values('nb1', '工作')"},
    };
    for (const auto& [name, change] : shapes) {
        SCOPED_TRACE(name);
        FaultScenario scenario(std::string("notebooks ") + name);
        YNoteFixture& y = scenario.Account();
        y.AddNotebook("nb1", "工作");
        y.AddNotebook("nb2", "生活");
        y.AddTag("t1", "", "标签");
        constexpr int kNotes = 40;  // more than are prepared ahead of the import
        for (int i = 0; i < kNotes; ++i) {
            const std::string n = std::to_string(i);
            y.AddNote({"n" + n, "笔记 " + n,
                       i % 3 == 0   ? "nb1"
                       : i % 3 == 1 ? "nb2"
                                    : "",
                       i % 2 ? "t1" : "", 1680000000, 1680000000 + i, "", "<p>body " + n + "</p>"});
        }
        y.Database().Script(change);
        FaultRun run = scenario.Import();
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(Occurrences(run.output, "Can't query database"), 1u) << run.output;
        EXPECT_EQ(Occurrences(run.log, "the account's notebooks could not be read"), 1u) << run.log;
        EXPECT_TRUE(run.Logged("40 notes walked, 40 imported, 0 imported with losses, 0 skipped"))
            << run.log;
        {
            SqliteFile kb(scenario.KbFolder() + "/index.db", SqliteFile::Mode::kReadOnly);
            EXPECT_EQ(kb.Value("select count(*) from document where location = '/有道云笔记/'"),
                      std::to_string(kNotes));
            EXPECT_EQ(kb.Value("select count(*) from document_tag"), std::to_string(kNotes / 2));
        }
        // Again, every note is found unchanged, where the first run put it.
        FaultRun again = scenario.ExpectSecondRunCompletes();
        EXPECT_EQ(Occurrences(again.output, "Can't query database"), 1u) << again.output;
    }
}

}  // namespace
}  // namespace zem::test
