// What a connection that ended mid-update leaves in the staging folder, and what opening
// the knowledge base again makes of it: switches stored with their transaction are
// completed from whatever step they stopped at, files staged for a transaction that never
// committed are removed, folders whose owner ended before locking them go, and a live
// connection's staging is left alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_lock.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

TEST(StagedSwitchTest, OpeningCompletesAnEndedConnectionsSwitchesAndLeavesALiveOnesAlone) {
    KnowledgeBaseFixture kb("staged switches");
    const std::string page = kb.folder + "/../page.htm";
    WriteFileBytes(page, "<p>old</p>");
    for (const char16_t* title : {u"not begun", u"half done", u"live"}) {
        auto document = kb.NewDocument(title);
        ASSERT_EQ(
            document->UpdateFromHtmlFile(FromUtf8(page).c_str(), u"", kUpdateFromHtmlFileFlags),
            S_OK);
        ASSERT_EQ(Commit(document.Get()), S_OK);
    }
    kb.db.Reset();  // the knowledge base closes
    std::map<std::string, std::string> guids;
    SqliteFile index(kb.index, SqliteFile::Mode::kCreate);
    for (const SqlRow& row : index.Query("select title, guid from document"))
        guids[row[0]] = row[1];
    const std::string staging = kb.folder + "/staging/";
    const auto stage = [&](const std::string& owner, const std::string& name,
                           const std::string& text, const std::string& target) {
        fs::create_directories(staging + owner + "/" + name);
        WriteFileBytes(staging + owner + "/" + name + "/index.html", text);
        if (!target.empty())
            index.Exec("insert into file_switch(owner, target, staged) values(?, ?, ?)",
                       {"staging/" + owner + "/", "documents/" + target + "/",
                        "staging/" + owner + "/" + name});
    };
    // An ended owner: one switch not begun, one stopped after the old page was moved aside.
    stage("o-ended", "1", "new 1", guids["not begun"]);
    stage("o-ended", "2", "new 2", guids["half done"]);
    const std::string halfDone = kb.folder + "/documents/" + guids["half done"];
    fs::rename(halfDone, staging + "o-ended/2.old");
    WriteFileBytes(staging + "o-ended/lock", "");
    // An ended owner whose transaction never committed: no row names its files.
    stage("o-uncommitted", "1", "never stored", "");
    WriteFileBytes(staging + "o-uncommitted/lock", "");
    // Owners that ended after making their folder, before or after making its lock.
    fs::create_directories(staging + "o-lockless");
    WriteFileBytes(staging + "o-unrenamed/lock-new", "");
    // A live owner, holding its lock.
    stage("o-live", "1", "live's", guids["live"]);
    WriteFileBytes(staging + "o-live/lock", "");
    FileLock held;
    ASSERT_TRUE(held.TryLockExisting(FromUtf8(staging + "o-live/lock")));

    kb.db = kb.core.Database();
    ASSERT_EQ(kb.db->Open(FromUtf8(kb.index).c_str()), S_OK);
    const auto pageOf = [&](const std::string& title) {
        return ReadFileBytesIfAny(kb.folder + "/documents/" + guids[title] + "/index.html");
    };
    EXPECT_EQ(pageOf("not begun"), "new 1");
    EXPECT_EQ(pageOf("half done"), "new 2");
    EXPECT_NE(pageOf("live").find("<p>old</p>"), std::string::npos);
    EXPECT_EQ(index.Value("select group_concat(owner) from file_switch"), "staging/o-live/");
    EXPECT_FALSE(fs::exists(staging + "o-ended"));
    EXPECT_FALSE(fs::exists(staging + "o-uncommitted"));
    EXPECT_FALSE(fs::exists(staging + "o-lockless"));
    EXPECT_FALSE(fs::exists(staging + "o-unrenamed"));
    EXPECT_EQ(ReadFileBytesIfAny(staging + "o-live/1/index.html"), "live's");
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
    held.Release();
}

}  // namespace
}  // namespace zem::test
