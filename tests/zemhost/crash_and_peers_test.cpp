// A knowledge base shared with a second process, and one whose writer is killed mid-work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

// Runs the peer program with its standard output on a pipe.
struct Peer {
    Peer(const std::string& command, const std::string& index, const std::string& folder = "") {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        const std::string library = BinDir() + "/ZemKMCore.dll";
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execl(ZEM_HOST_PEER, ZEM_HOST_PEER, command.c_str(), library.c_str(), index.c_str(),
                  folder.empty() ? nullptr : folder.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        out = fdopen(fds[0], "r");
    }
    ~Peer() {
        if (out)
            fclose(out);
        if (pid > 0)
            Wait();
    }
    // The next line it printed, empty at its end.
    std::string Line() {
        char buffer[4096];
        if (!fgets(buffer, sizeof buffer, out))
            return {};
        std::string line = buffer;
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }

    pid_t pid = -1;
    FILE* out = nullptr;
};

TEST(KnowledgeBasePeers, ASecondProcessSeesEverythingWhileTheFirstStillHasItOpen) {
    KnowledgeBaseFixture kb("peers");
    IUnknown* raw = nullptr;
    ASSERT_EQ(kb.db->CreateRootTag(u"Shared Tag", u"", &raw), S_OK);
    As<IUnknown>(raw);
    ASSERT_EQ(kb.db->GetFolderByLocation(u"/peer/a/b", VARIANT_TRUE, &raw), S_OK);
    auto folder = As<IZemKMFolder>(raw);
    ASSERT_EQ(folder->CreateDocument(u"first", u"", &raw), S_OK);
    As<IZemKMDocument>(raw)->SetDocumentUrl(u"https://example.com/1");

    Peer peer("read", kb.index);
    EXPECT_EQ(peer.Line(), "tag=0 folder=0 document=first,https://example.com/1");
    const int status = peer.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(KnowledgeBasePeers, AWriterKilledMidWorkLeavesAConsistentKnowledgeBase) {
    KnowledgeBaseFixture kb("crash");
    kb.db.Reset();
    const std::string work = MakeTestFolder("writer");
    {
        Peer writer("write", kb.index, work);
        // Let it get well into its loop, then kill it wherever it is.
        for (int n = 0; n < 25; ++n)
            ASSERT_FALSE(writer.Line().empty());
        kill(writer.pid, SIGKILL);
        const int status = writer.Wait();
        ASSERT_TRUE(WIFSIGNALED(status));
    }
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");

    // It opens again, every stored document and attachment has its files, and it takes
    // new work.
    auto db = kb.core.Database();
    ScopedBstr error;
    ASSERT_EQ(db->OpenEx(FromUtf8(kb.index).c_str(), kOpenExFixedText, 0, error.Out()), S_OK)
        << ToUtf8(error.ToText());
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    const SqlRows documents = index.Query("SELECT guid FROM document");
    EXPECT_GE(documents.size(), 25u);
    for (const SqlRow& document : documents)
        EXPECT_TRUE(Exists(kb.folder + "/documents/" + document[0] + "/index.html"));
    for (const SqlRow& attachment : index.Query("SELECT guid, name, size FROM attachment"))
        EXPECT_EQ(
            ReadFileBytes(kb.folder + "/attachments/" + attachment[0] + "/" + attachment[1]).size(),
            std::stoul(attachment[2]));
    EXPECT_EQ(index.Value("SELECT count(*) FROM document_tag d LEFT JOIN tag t "
                          "ON t.guid = d.tag_guid WHERE t.guid IS NULL"),
              "0");
    IUnknown* raw = nullptr;
    ASSERT_EQ(db->GetFolderByLocation(u"/crash/after", VARIANT_TRUE, &raw), S_OK);
    ASSERT_EQ(As<IZemKMFolder>(raw)->CreateDocument(u"after", u"", &raw), S_OK);
    As<IUnknown>(raw);
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

}  // namespace
}  // namespace zem::test
