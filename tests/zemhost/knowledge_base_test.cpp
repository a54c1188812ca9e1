// The knowledge-base engine driven through its interfaces as the import drives it, then
// checked by reading index.db and the files it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "platform/registry.h"
#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

ComPtr<IZemKMTag> FindTag(IZemKMDatabase* db, const char16_t* name, HRESULT& result) {
    IUnknown* tag = nullptr;
    result = db->FindTagByName(name, nullptr, u"", &tag);
    return As<IZemKMTag>(tag);
}

TEST(KnowledgeBase, TagsNestAndAreFoundByNameIgnoringCaseOfAsciiLetters) {
    KnowledgeBaseFixture kb("tags");
    IUnknown* raw = nullptr;
    ASSERT_EQ(kb.db->CreateRootTag(u"工作", u"", &raw), S_OK);
    auto work = As<IZemKMTag>(raw);
    ASSERT_TRUE(work);
    ASSERT_EQ(work->CreateChildTag(u"Project X", u"", &raw), S_OK);
    auto project = As<IZemKMTag>(raw);
    ASSERT_TRUE(project);
    ASSERT_EQ(project->CreateChildTag(u"Été", u"", &raw), S_OK);
    As<IUnknown>(raw);
    EXPECT_LT(kb.db->CreateRootTag(u"", u"", &raw), 0) << "a tag needs a name";

    HRESULT result;
    EXPECT_TRUE(FindTag(kb.db.Get(), u"PROJECT x", result)) << "found below the top level";
    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(FindTag(kb.db.Get(), u"工作", result));
    EXPECT_TRUE(FindTag(kb.db.Get(), u"ÉTé", result)) << "a-z fold";
    EXPECT_FALSE(FindTag(kb.db.Get(), u"été", result)) << "É and é stay apart";
    EXPECT_EQ(result, S_FALSE);
    EXPECT_FALSE(FindTag(kb.db.Get(), u"Project", result)) << "whole names only";

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT t.name, p.name FROM tag t LEFT JOIN tag p "
                          "ON t.parent_guid = p.guid ORDER BY t.rowid"),
              (SqlRows{{"工作", ""}, {"Project X", "工作"}, {"Été", "Project X"}}));
    const std::string guid = index.Value("SELECT guid FROM tag LIMIT 1");
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), '{');
    EXPECT_EQ(index.Value("SELECT count(*) FROM tag WHERE parent_guid IS NULL"), "1");
}

// New rows must join the end of the indexes keyed by their GUIDs; many keys are made within
// one millisecond, and they must still come out distinct and in order.
TEST(KnowledgeBase, KeysAreMadeInIncreasingOrder) {
    KnowledgeBaseFixture kb("keys");
    for (int i = 0; i < 3000; ++i) {
        IUnknown* raw = nullptr;
        ASSERT_EQ(kb.db->CreateRootTag(u"t", u"", &raw), S_OK);
        As<IUnknown>(raw);
    }
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    const SqlRows rows = index.Query("SELECT guid FROM tag ORDER BY rowid");
    ASSERT_EQ(rows.size(), 3000u);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& guid = rows[i][0];
        ASSERT_EQ(guid.size(), 38u);
        EXPECT_EQ(guid[15], '7') << guid;
        EXPECT_NE(std::string("89AB").find(guid[20]), std::string::npos) << guid;
        if (i > 0) {
            ASSERT_LT(rows[i - 1][0], guid);
        }
    }
}

// Checkpoints run beside the writer; the log must still be folded into the file as writing
// goes on, not grow with everything written (these 30,000 commits would leave some 160 MiB
// of log otherwise).
TEST(KnowledgeBase, TheLogStaysBoundedWhileWritingGoesOn) {
    KnowledgeBaseFixture kb("log");
    uintmax_t largestLog = 0;
    for (int i = 0; i < 30000; ++i) {
        IUnknown* raw = nullptr;
        ASSERT_EQ(kb.db->CreateRootTag(u"tag", u"", &raw), S_OK);
        As<IUnknown>(raw);
        if (i % 1000 == 999)
            largestLog = std::max(largestLog, std::filesystem::file_size(kb.index + "-wal"));
    }
    EXPECT_LT(largestLog, 100u << 20);
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("SELECT count(*) FROM tag"), "30000");
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

TEST(KnowledgeBase, FoldersAreMadeWithTheirMissingParents) {
    KnowledgeBaseFixture kb("folders");
    IUnknown* raw = nullptr;
    ASSERT_EQ(kb.db->GetFolderByLocation(u"/有道云笔记/工作/2024", VARIANT_TRUE, &raw), S_OK);
    ASSERT_TRUE(As<IZemKMFolder>(raw));
    // The same folder however its separators are written.
    for (const char16_t* same : {u"/有道云笔记/工作/2024/", u"有道云笔记//工作/2024"}) {
        ASSERT_EQ(kb.db->GetFolderByLocation(same, VARIANT_TRUE, &raw), S_OK);
        auto folder = As<IZemKMFolder>(raw);
        ASSERT_EQ(folder->CreateDocument(u"note", u"", &raw), S_OK);
        As<IUnknown>(raw);
    }
    EXPECT_EQ(kb.db->GetFolderByLocation(u"/elsewhere/", VARIANT_FALSE, &raw), S_FALSE);
    EXPECT_EQ(raw, nullptr);
    EXPECT_LT(kb.db->GetFolderByLocation(u"//", VARIANT_TRUE, &raw), 0);

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT location FROM folder ORDER BY location"),
              (SqlRows{{"/有道云笔记/"}, {"/有道云笔记/工作/"}, {"/有道云笔记/工作/2024/"}}));
    EXPECT_EQ(index.Value("SELECT group_concat(DISTINCT location) FROM document"),
              "/有道云笔记/工作/2024/");
}

TEST(KnowledgeBase, DocumentKeepsUrlTagsDatesAndAttachments) {
    KnowledgeBaseFixture kb("document");
    IUnknown* raw = nullptr;
    ASSERT_EQ(kb.db->CreateRootTag(u"Alpha", u"", &raw), S_OK);
    As<IUnknown>(raw);
    // Everything below waits with the document's creation until the commit.
    auto document = kb.NewDocument(u"Minutes");
    ASSERT_TRUE(document);

    EXPECT_EQ(document->SetDocumentUrl(u"https://example.com/a?b=1"), S_OK);
    // The second set of tags replaces the first, also before the document is stored.
    EXPECT_EQ(document->SetTagsText(u"alpha", u"YNote"), S_OK);
    EXPECT_EQ(document->SetTagsText(u";Beta;新;BETA", u"YNote"), S_OK);
    EXPECT_EQ(document->SetDateCreated(OleDate(2021, 3, 4, 5, 6, 7)), S_OK);
    EXPECT_EQ(document->SetDateModified(OleDate(2022, 12, 31, 23, 59, 59)), S_OK);
    EXPECT_EQ(document->SetDateUpdated(OleDate(1999, 1, 2, 0, 0, 0)), S_OK);
    EXPECT_LT(document->SetDateUpdated(std::nan("")), 0) << "not a date: nothing stored";

    std::string bytes;
    for (int i = 0; i < 3 * 1024 * 1024 + 7; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    // The longest name a file may have on disk.
    const std::string source = MakeTestFolder("sources") + "/" + std::string(251, 'r') + ".bin";
    WriteFileBytes(source, bytes);
    ASSERT_EQ(document->AddAttachmentFromFile(FromUtf8(source).c_str(), &raw), S_OK);
    auto attachment = As<IZemKMAttachment>(raw);
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->SetAttachmentText(u"the report"), S_OK);
    EXPECT_LT(document->AddAttachmentFromFile(u"/no/such/file.pdf", &raw), 0);
    EXPECT_EQ(raw, nullptr);
    ASSERT_EQ(Commit(document.Get()), S_OK);

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT title, url, created, modified, updated FROM document"),
              (SqlRows{{"Minutes", "https://example.com/a?b=1", "2021-03-04 05:06:07",
                        "2022-12-31 23:59:59", "1999-01-02 00:00:00"}}));
    EXPECT_EQ(index.Query("SELECT t.name, t.parent_guid IS NULL FROM document_tag d "
                          "JOIN tag t ON t.guid = d.tag_guid ORDER BY t.rowid"),
              (SqlRows{{"Beta", "1"}, {"新", "1"}}));
    EXPECT_EQ(index.Value("SELECT count(*) FROM tag"), "3") << "existing tags are reused";
    const SqlRows attachments = index.Query("SELECT guid, name, size, description FROM attachment");
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0][1], std::string(251, 'r') + ".bin");
    EXPECT_EQ(attachments[0][2], std::to_string(bytes.size()));
    EXPECT_EQ(attachments[0][3], "the report");
    EXPECT_TRUE(ReadFileBytes(kb.folder + "/attachments/" + attachments[0][0] + "/" +
                              attachments[0][1]) == bytes);
    const std::string guid = index.Value("SELECT guid FROM document");
    EXPECT_TRUE(Exists(kb.folder + "/documents/" + guid + "/index.html"));

    // Setting the tags, the address and a date again replaces them in the stored row.
    EXPECT_EQ(document->SetTagsText(u"新", u"YNote"), S_OK);
    EXPECT_EQ(document->SetDocumentUrl(u"https://example.com/again"), S_OK);
    EXPECT_EQ(document->SetDateModified(OleDate(2023, 1, 1, 0, 0, 0)), S_OK);
    ASSERT_EQ(Commit(document.Get()), S_OK);
    EXPECT_EQ(index.Value("SELECT group_concat(t.name) FROM document_tag d JOIN tag t "
                          "ON t.guid = d.tag_guid"),
              "新");
    EXPECT_EQ(
        index.Query("SELECT url, created, modified FROM document"),
        (SqlRows{{"https://example.com/again", "2021-03-04 05:06:07", "2023-01-01 00:00:00"}}));
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

// Changes that cannot be stored take the files made for them back: no folder is left that
// no row names, and the document stored earlier keeps its own.
TEST(KnowledgeBase, ADocumentOrAttachmentThatCannotBeStoredLeavesNoFolder) {
    KnowledgeBaseFixture kb("refused");
    auto document = kb.NewDocument(u"Kept");
    ASSERT_TRUE(document);
    ASSERT_EQ(Commit(document.Get()), S_OK);
    const std::string source = MakeTestFolder("refused-sources") + "/report.pdf";
    WriteFileBytes(source, "pdf");
    {
        SqliteFile index(kb.index, SqliteFile::Mode::kCreate);
        index.Script(
            "CREATE TRIGGER refuse_documents BEFORE INSERT ON document "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;"
            "CREATE TRIGGER refuse_attachments BEFORE INSERT ON attachment "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    auto folder = kb.Folder(u"/Notes/");
    ASSERT_TRUE(folder);
    IUnknown* raw = nullptr;
    ASSERT_EQ(folder->CreateDocument(u"Refused", u"", &raw), S_OK);
    auto refused = As<IZemKMDocument>(raw);
    EXPECT_EQ(refused->SetDocumentUrl(u"https://example.com/"), S_OK);
    // The store's failure, also when the idle commit came first and met the refusal itself;
    // asked again, the same outcome.
    EXPECT_EQ(Commit(refused.Get()), E_FAIL);
    EXPECT_EQ(Commit(refused.Get()), E_FAIL);
    ASSERT_EQ(document->AddAttachmentFromFile(FromUtf8(source).c_str(), &raw), S_OK);
    As<IUnknown>(raw);
    EXPECT_NE(Commit(document.Get()), ZEM_E_KNOWLEDGE_BASE_BUSY);

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    const std::string kept = index.Value("SELECT guid FROM document");
    size_t documentFolders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kb.folder + "/documents"))
        documentFolders += entry.path().filename() == kept ? 1 : 100;
    EXPECT_EQ(documentFolders, 1u);
    EXPECT_TRUE(!Exists(kb.folder + "/attachments") ||
                std::filesystem::is_empty(kb.folder + "/attachments"));
    EXPECT_EQ(ReadFileBytes(source), "pdf");
}

// Documents built one after another wait together and are stored in one transaction; one
// the knowledge base refuses fails alone, and a read sees the ones still waiting.
TEST(KnowledgeBase, DocumentsStoredTogetherFailOneByOne) {
    KnowledgeBaseFixture kb("together");
    {
        SqliteFile index(kb.index, SqliteFile::Mode::kCreate);
        index.Script(
            "CREATE TRIGGER refuse_b BEFORE INSERT ON document_tag WHEN (SELECT title FROM "
            "document WHERE guid = new.document_guid) = 'b' BEGIN SELECT RAISE(ABORT, "
            "'refused'); END");
    }
    std::vector<ComPtr<IZemKMDocument>> documents;
    for (const char16_t* title : {u"a", u"b", u"c"}) {
        documents.push_back(kb.NewDocument(title));
        ASSERT_TRUE(documents.back());
        ASSERT_EQ(documents.back()->SetTagsText(u"t", u""), S_OK);
        ASSERT_EQ(documents.back()->SetDateCreated(OleDate(2020, 1, 2, 3, 4, 5)), S_OK);
    }
    IUnknown* raw = nullptr;
    ASSERT_EQ(kb.db->FindTagByName(u"t", nullptr, u"", &raw), S_OK) << "made by a waiting document";
    As<IUnknown>(raw);
    EXPECT_EQ(Commit(documents[0].Get()), S_OK);
    EXPECT_EQ(Commit(documents[1].Get()), E_FAIL);
    EXPECT_EQ(Commit(documents[2].Get()), S_OK);

    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT title, created FROM document ORDER BY title"),
              (SqlRows{{"a", "2020-01-02 03:04:05"}, {"c", "2020-01-02 03:04:05"}}));
    EXPECT_EQ(index.Value("SELECT count(*) FROM document_tag"), "2");
    size_t documentFolders = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(kb.folder + "/documents"))
        ++documentFolders;
    EXPECT_EQ(documentFolders, 2u) << "the refused document's folder is removed";
    EXPECT_EQ(IntegrityCheck(kb.index), "ok");
}

// A document that has waited the idle period is stored when the next document's building
// goes on, rather than only once that one is done.
TEST(KnowledgeBase, AWaitingDocumentIsStoredWhileTheNextIsBuilt) {
    KnowledgeBaseFixture kb("waited");
    auto first = kb.NewDocument(u"first");
    auto second = kb.NewDocument(u"second");
    ASSERT_TRUE(first && second);
    // Calls keep coming, so only the first document's age, twice the period, stores it.
    constexpr std::chrono::milliseconds kStep{50};
    for (auto waited = kStep; waited <= 2 * kLongestChangesKeptBack; waited += kStep) {
        std::this_thread::sleep_for(kStep);
        ASSERT_EQ(second->SetDocumentUrl(u"https://example.com/"), S_OK);
    }
    SqliteFile index(kb.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("SELECT count(*) FROM document WHERE title = 'first'"), "1");
    EXPECT_EQ(Commit(second.Get()), S_OK);
}

TEST(KnowledgeBase, OpenExExplainsWhyAKnowledgeBaseCannotBeOpened) {
    KmCore core;
    const std::string folder = MakeTestFolder("refused");
    WriteFileBytes(folder + "/notes.txt", std::string(5000, 'x'));
    {
        SqliteFile other(folder + "/ynote.db", SqliteFile::Mode::kCreate);
        other.Exec("CREATE TABLE note_attr(noteid TEXT)");
    }
    KnowledgeBaseFixture damaged("damaged");
    auto document = damaged.NewDocument(u"x");
    damaged.db.Reset();
    document.Reset();
    std::string bytes = ReadFileBytes(damaged.index);
    ASSERT_GT(bytes.size(), 4096u * 2);
    for (size_t i = 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xA5);
    WriteFileBytes(damaged.index, bytes);

    const struct {
        std::string path;
        std::string says;
    } cases[] = {
        {folder + "/missing/index.db", "does not exist"},
        {folder + "/notes.txt", "is not a knowledge base"},
        {folder + "/ynote.db", "another program"},
        {damaged.index, "damaged"},
    };
    for (const auto& refused : cases) {
        auto db = core.Database();
        ScopedBstr error;
        EXPECT_LT(db->OpenEx(FromUtf8(refused.path).c_str(), kOpenExFixedText, 0, error.Out()), 0)
            << refused.path;
        EXPECT_NE(ToUtf8(error.ToText()).find(refused.says), std::string::npos)
            << ToUtf8(error.ToText());
        IUnknown* raw = nullptr;
        EXPECT_LT(db->GetFolderByLocation(u"/a", VARIANT_TRUE, &raw), 0) << "nothing is open";
    }
    SqliteFile other(folder + "/ynote.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(other.Value("SELECT count(*) FROM sqlite_master"), "1") << "left untouched";
}

// Two programs creating the same knowledge base at once: whichever comes second must see
// the file empty or whole, never take the first one's half-made file for a foreign one.
TEST(KnowledgeBase, TwoOpeningsOfANewFileAtOnceBothGetTheKnowledgeBase) {
    KmCore core;
    const std::string folder = MakeTestFolder("created-at-once");
    for (int round = 0; round < 40; ++round) {
        const std::u16string index = FromUtf8(folder + "/" + std::to_string(round) + ".db");
        ComPtr<IZemKMDatabase> dbs[2] = {core.Database(), core.Database()};
        HRESULT results[2] = {E_FAIL, E_FAIL};
        ScopedBstr errors[2];
        std::atomic<int> ready{0};
        auto open = [&](int i) {
            for (++ready; ready < 2;) {
            }
            results[i] = dbs[i]->OpenEx(index.c_str(), kOpenExFixedText, 0, errors[i].Out());
        };
        std::thread first(open, 0), second(open, 1);
        first.join();
        second.join();
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(results[i], S_OK) << "round " << round << ": " << ToUtf8(errors[i].ToText());
    }
}

TEST(KnowledgeBase, OpenWithoutPathUsesTheDefaultKnowledgeBaseOfTheDataStore) {
    KmCore core;
    auto db = core.Database();
    ASSERT_EQ(db->Open(u""), S_OK);
    const std::string documents = TestDocumentsFolder();
    EXPECT_TRUE(Exists(documents + "/My Knowledge/Data/default/index.db"));

    const std::string store = MakeTestFolder("store");
    ASSERT_TRUE(RegistryWriteText(u"Software\\Zem", u"DataStore", FromUtf8(store)));
    ASSERT_EQ(db->Open(nullptr), S_OK);
    IUnknown* raw = nullptr;
    ASSERT_EQ(db->GetFolderByLocation(u"/here", VARIANT_TRUE, &raw), S_OK);
    As<IUnknown>(raw);
    SqliteFile index(store + "/Data/default/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("SELECT location FROM folder"), "/here/");
}

}  // namespace
}  // namespace zem::test
