// A knowledge base shared with a second process, and one whose writer is killed mid-work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

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

// The file's size, -1 when there is none.
int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

// What the peer writer gives each document, and how many of its documents are whole: a page
// with its picture, the URL, both tags, the described attachment and the creation date. Only
// the document stored last may lack some of it (its writer was killed while building it), and
// what any document has is there in full: its page file, and every attachment's file at the
// recorded size.
size_t CountWholeDocuments(const KnowledgeBaseFixture& kb) {
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    const SqlRows documents = index.Query(
        "SELECT d.guid, d.url, d.created, "
        "(SELECT count(*) FROM document_tag t WHERE t.document_guid = d.guid), "
        "(SELECT count(*) FROM attachment a WHERE a.document_guid = d.guid "
        "AND a.description = 'attached') FROM document d ORDER BY d.rowid");
    size_t whole = 0;
    for (size_t i = 0; i < documents.size(); ++i) {
        const SqlRow& document = documents[i];
        const std::string folder = kb.folder + "/documents/" + document[0];
        EXPECT_TRUE(Exists(folder + "/index.html")) << document[0];
        const bool complete = document[1] == "https://example.com/" &&
                              document[2] == "2023-03-15 12:00:00" && document[3] == "2" &&
                              document[4] == "1" &&
                              ReadFileBytes(folder + "/index.html").find("index_files/pic.png") !=
                                  std::string::npos &&
                              FileSize(folder + "/index_files/pic.png") == 20000;
        if (i + 1 < documents.size()) {
            EXPECT_TRUE(complete) << "document " << i << " of " << documents.size();
        }
        whole += complete ? 1 : 0;
    }
    for (const SqlRow& attachment : index.Query("SELECT guid, name, size FROM attachment"))
        EXPECT_EQ(FileSize(kb.folder + "/attachments/" + attachment[0] + "/" + attachment[1]),
                  std::stoll(attachment[2]));
    EXPECT_EQ(index.Query("PRAGMA foreign_key_check"), SqlRows());
    return whole;
}

TEST(KnowledgeBasePeers, WritersKilledAtRandomMomentsLeaveEveryReportedDocumentWhole) {
    KnowledgeBaseFixture kb("crash");
    kb.db.Reset();
    const std::string work = MakeTestFolder("writer");
    std::mt19937 random(std::random_device{}());
    size_t reported = 0;
    for (int kill = 0; kill < 6; ++kill) {
        Peer writer("write", kb.index, work);
        // Once it writes, kill it wherever it is then.
        std::string line = writer.Line();
        ASSERT_EQ(line.rfind("written ", 0), 0u) << line;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 400)(random)));
        ::kill(writer.pid, SIGKILL);
        // Every line it printed names a document released before the kill.
        size_t released = 0;
        for (; !line.empty(); line = writer.Line())
            released = std::stoul(line.substr(8));
        const int status = writer.Wait();
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(IntegrityCheck(kb.index), "ok");
        reported += released;
        EXPECT_GE(CountWholeDocuments(kb), reported) << "after kill " << kill;
    }

    // It opens again and takes new work.
    auto db = kb.core.Database();
    ScopedBstr error;
    ASSERT_EQ(db->OpenEx(FromUtf8(kb.index).c_str(), kOpenExFixedText, 0, error.Out()), S_OK)
        << ToUtf8(error.ToText());
    IUnknown* raw = nullptr;
    ASSERT_EQ(db->GetFolderByLocation(u"/crash/after", VARIANT_TRUE, &raw), S_OK);
    ASSERT_EQ(As<IZemKMFolder>(raw)->CreateDocument(u"after", u"", &raw), S_OK);
    As<IUnknown>(raw);
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

// The document being built holds no lock: another process stores its own meanwhile.
TEST(KnowledgeBasePeers, ASecondWriterGetsThroughWhileTheFirstBuildsADocument) {
    KnowledgeBaseFixture kb("second-writer");
    auto document = kb.NewDocument(u"first writer");
    ASSERT_TRUE(document);
    const std::string source = MakeTestFolder("second-writer-files") + "/part.bin";
    WriteFileBytes(source, std::string(4 << 20, 'b'));
    Peer second("write-one", kb.index);
    // The first keeps calling, so its document never falls idle, until the second is done
    // (or clearly stuck: a stuck peer fails below, it does not time the test).
    int status = 0;
    pid_t ended = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((ended = waitpid(second.pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < giveUp) {
        IUnknown* raw = nullptr;
        ASSERT_EQ(document->AddAttachmentFromFile(FromUtf8(source).c_str(), &raw), S_OK);
        As<IUnknown>(raw);
        ASSERT_EQ(document->SetDocumentUrl(u"https://example.com/first"), S_OK);
    }
    if (ended == 0) {
        ::kill(second.pid, SIGKILL);
        FAIL() << "the second writer did not get through";
    }
    second.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(second.Line(), "stored");
    ASSERT_EQ(Commit(document.Get()), S_OK);

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT title, url FROM document ORDER BY title"),
              (SqlRows{{"first writer", "https://example.com/first"}, {"second writer", ""}}));
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

// Changes wait for the next document or the release, but never longer than a short idle
// time: a reader sees the document while its object is still held.
TEST(KnowledgeBasePeers, AReaderSeesADocumentShortlyAfterItsLastCall) {
    KnowledgeBaseFixture kb("idle");
    auto document = kb.NewDocument(u"idle");
    ASSERT_TRUE(document);
    ASSERT_EQ(document->SetDocumentUrl(u"https://example.com/idle"), S_OK);
    std::string url;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (url.empty() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
        url = index.Value("SELECT url FROM document");
    }
    EXPECT_EQ(url, "https://example.com/idle");
    // Releasing the database object stores what waits, even while the document lives on.
    ASSERT_EQ(document->SetDocumentUrl(u"https://example.com/released"), S_OK);
    kb.db.Reset();
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("SELECT url FROM document"), "https://example.com/released");
}

// Another program holding a write transaction makes calls fail as busy, without losing the
// waiting changes; once it lets go they are stored whole.
TEST(KnowledgeBasePeers, ChangesKeptOutByAnotherWriterAreStoredOnceItLetsGo) {
    KnowledgeBaseFixture kb("busy");
    auto document = kb.NewDocument(u"waiting");
    ASSERT_TRUE(document);
    ASSERT_EQ(document->SetTagsText(u"kept", u""), S_OK);
    {
        SqliteFile holder(kb.index, SqliteFile::Mode::kCreate);
        holder.Exec("BEGIN IMMEDIATE");
        holder.Exec("INSERT INTO folder(location) VALUES('/held/')");
        EXPECT_EQ(Commit(document.Get()), ZEM_E_KNOWLEDGE_BASE_BUSY);
        IUnknown* raw = nullptr;
        EXPECT_EQ(kb.db->CreateRootTag(u"other", u"", &raw), ZEM_E_KNOWLEDGE_BASE_BUSY);
        EXPECT_EQ(raw, nullptr);
        EXPECT_FALSE(kb.Folder(u"/elsewhere/"));
        holder.Exec("COMMIT");
    }
    EXPECT_EQ(Commit(document.Get()), S_OK);
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT d.title, t.name FROM document d JOIN document_tag l "
                          "ON l.document_guid = d.guid JOIN tag t ON t.guid = l.tag_guid"),
              (SqlRows{{"waiting", "kept"}}));
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

// A knowledge base another program keeps locked cannot be opened, and says why.
TEST(KnowledgeBasePeers, AKnowledgeBaseLockedByAnotherProgramIsReportedAsInUse) {
    KnowledgeBaseFixture kb("locked");
    kb.db.Reset();
    SqliteFile holder(kb.index, SqliteFile::Mode::kCreate);
    holder.Exec("PRAGMA locking_mode=EXCLUSIVE");
    holder.Exec("BEGIN EXCLUSIVE");
    holder.Exec("INSERT INTO folder(location) VALUES('/held/')");
    auto db = kb.core.Database();
    ScopedBstr error;
    EXPECT_EQ(db->OpenEx(FromUtf8(kb.index).c_str(), kOpenExFixedText, 0, error.Out()),
              ZEM_E_KNOWLEDGE_BASE_BUSY);
    EXPECT_NE(ToUtf8(error.ToText()).find("in use by another program"), std::string::npos)
        << ToUtf8(error.ToText());
}

}  // namespace
}  // namespace zem::test
