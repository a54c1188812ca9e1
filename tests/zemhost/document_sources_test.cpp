// The engine's record of where imported documents came from, driven through
// IZemKMDocumentSources as the import drives it and checked in index.db.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host/zem_km_document_sources.h"
#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

class DocumentSourcesTest : public testing::Test {
  protected:
    DocumentSourcesTest() : kb_("sources") {
        sources_ = ComPtr<IZemKMDocumentSources>::QueryFrom(kb_.db.Get());
    }

    ComPtr<IZemKMDocument> Create(const char16_t* noteId, const char16_t* account = u"me") {
        IUnknown* document = nullptr;
        EXPECT_EQ(sources_->CreateSourceDocument(kb_.Folder(u"/notes/").Get(), noteId, u"YNote",
                                                 account, noteId, &document),
                  S_OK);
        return As<IZemKMDocument>(document);
    }
    // The account's records as "id version changed" lines; with `noteId`, only its own.
    std::vector<std::string> Records(const char16_t* account = u"me",
                                     const char16_t* noteId = nullptr) {
        IUnknown* raw = nullptr;
        EXPECT_EQ(noteId ? sources_->GetSourceRecord(u"YNote", account, noteId, &raw)
                         : sources_->GetSourceRecords(u"YNote", account, &raw),
                  S_OK);
        auto rows = As<IZemKMSQLiteRecordset>(raw);
        std::vector<std::string> lines;
        for (int32_t eof = 0; rows && rows->IsEOF(&eof) == S_OK && !eof; rows->MoveNext()) {
            std::string line;
            for (int32_t column = 0; column < 3; ++column) {
                ScopedBstr text;
                rows->GetFieldText(column, text.Out());
                line += (column ? " " : "") + ToUtf8(text.ToText());
            }
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    // Stores what the document's calls left waiting.
    static HRESULT Commit(IZemKMDocument* document) {
        return ComPtr<IZemKMDocumentCommit>::QueryFrom(document)->CommitChanges();
    }
    // Opened for writing as another program would, foreign keys on.
    std::unique_ptr<SqliteFile> Index() {
        auto index = std::make_unique<SqliteFile>(kb_.index, SqliteFile::Mode::kCreate);
        index->Exec("PRAGMA foreign_keys = ON");
        return index;
    }

    KnowledgeBaseFixture kb_;
    ComPtr<IZemKMDocumentSources> sources_;
};

TEST_F(DocumentSourcesTest, RecordsAreFinishedFoundChangedAndDeletedWithTheirDocuments) {
    ASSERT_TRUE(sources_);
    auto first = Create(u"n1");
    auto second = Create(u"n2");
    Create(u"n1", u"someone else");
    ASSERT_TRUE(first && second);
    // Unfinished until a version is set; the dates the import sets then are its own.
    EXPECT_EQ(Records(), (std::vector<std::string>{"n1  0", "n2  0"}));
    first->SetDateModified(OleDate(2024, 3, 1, 8, 0, 0));
    EXPECT_EQ(sources_->SetSourceVersion(first.Get(), 1709280000), S_OK);
    auto unrecorded = kb_.NewDocument(u"not recorded");
    EXPECT_EQ(sources_->SetSourceVersion(unrecorded.Get(), 5), S_OK);
    EXPECT_EQ(Commit(unrecorded.Get()), S_OK);
    EXPECT_EQ(Records(), (std::vector<std::string>{"n1 1709280000 0", "n2  0"}));
    EXPECT_EQ(Records(u"me", u"n1"), (std::vector<std::string>{"n1 1709280000 0"}));
    EXPECT_EQ(Records(u"me", u"n3"), (std::vector<std::string>{}));

    IUnknown* raw = nullptr;
    ASSERT_EQ(sources_->FindSourceDocument(u"YNote", u"me", u"n1", &raw), S_OK);
    As<IUnknown>(raw);
    EXPECT_EQ(sources_->FindSourceDocument(u"YNote", u"me", u"n3", &raw), S_FALSE);
    EXPECT_EQ(raw, nullptr);

    // Someone edits the first document: its modified date moves, whichever way.
    Index()->Exec("UPDATE document SET modified = '2020-01-01 00:00:00' WHERE title = 'n1'");
    EXPECT_EQ(Records(), (std::vector<std::string>{"n1 1709280000 1", "n2  0"}));
    // Importing it again as a new document moves the record to the new one.
    Create(u"n1");
    EXPECT_EQ(Records(), (std::vector<std::string>{"n1  0", "n2  0"}));

    // Deleting a document deletes its record; a record left by a program that deleted with
    // foreign keys off is not taken for a document.
    auto index = Index();
    index->Exec("DELETE FROM document WHERE title = 'n2'");
    index->Exec("PRAGMA foreign_keys = OFF");
    index->Exec(
        "DELETE FROM document WHERE guid = (SELECT document_guid FROM document_source WHERE "
        "account = 'me' AND source_id = 'n1')");
    EXPECT_EQ(index->Value("SELECT count(*) FROM document_source"), "2");
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(sources_->FindSourceDocument(u"YNote", u"me", u"n1", &raw), S_FALSE);
    EXPECT_EQ(Records(u"someone else"), (std::vector<std::string>{"n1  0"}));
    EXPECT_EQ(IntegrityCheck(kb_.index), "ok");
}

TEST_F(DocumentSourcesTest, ADocumentAndItsRecordAreStoredTogetherOrNotAtAll) {
    Index()->Script(
        "CREATE TRIGGER refuse BEFORE INSERT ON document_source WHEN new.source_id = 'no' "
        "BEGIN SELECT raise(abort, 'refused'); END");
    IUnknown* raw = nullptr;
    ASSERT_EQ(sources_->CreateSourceDocument(kb_.Folder(u"/notes/").Get(), u"t", u"YNote", u"me",
                                             u"no", &raw),
              S_OK);
    auto document = As<IZemKMDocument>(raw);
    EXPECT_LT(Commit(document.Get()), 0) << "the record, refused, takes its document along";
    EXPECT_LT(sources_->CreateSourceDocument(nullptr, u"t", u"YNote", u"me", u"n", &raw), 0);
    SqliteFile index(kb_.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("SELECT count(*) FROM document"), "0");
    EXPECT_TRUE(std::filesystem::is_empty(kb_.folder + "/documents"));
}

TEST_F(DocumentSourcesTest, TitleFolderAndAttachmentsChangeInPlace) {
    auto document = Create(u"n1");
    ASSERT_TRUE(document);
    EXPECT_EQ(sources_->SetDocumentTitle(document.Get(), u"新标题"), S_OK);
    EXPECT_EQ(sources_->SetDocumentLocation(document.Get(), u"/moved/here"), S_OK);
    EXPECT_EQ(Commit(document.Get()), S_OK);
    SqliteFile index(kb_.index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Query("SELECT title, location FROM document"),
              (SqlRows{{"新标题", "/moved/here/"}}));
    EXPECT_EQ(index.Value("SELECT count(*) FROM folder WHERE location IN ('/moved/', "
                          "'/moved/here/')"),
              "2");

    const std::string files = MakeTestFolder("files");
    WriteFileBytes(files + "/a.txt", "first");
    WriteFileBytes(files + "/b.txt", "other");
    IUnknown* raw = nullptr;
    ASSERT_EQ(document->AddAttachmentFromFile(FromUtf8(files + "/a.txt").c_str(), &raw), S_OK);
    As<IUnknown>(raw);
    VARIANT_BOOL replaced = VARIANT_TRUE;
    EXPECT_EQ(sources_->ReplaceAttachmentFromFile(document.Get(),
                                                  FromUtf8(files + "/b.txt").c_str(), &replaced),
              S_FALSE);
    EXPECT_EQ(replaced, VARIANT_FALSE);
    EXPECT_EQ(sources_->ReplaceAttachmentFromFile(document.Get(),
                                                  FromUtf8(files + "/a.txt").c_str(), &replaced),
              S_OK);
    EXPECT_EQ(replaced, VARIANT_FALSE) << "the same bytes are left alone";
    WriteFileBytes(files + "/a.txt", "second version");
    EXPECT_EQ(sources_->ReplaceAttachmentFromFile(document.Get(),
                                                  FromUtf8(files + "/a.txt").c_str(), &replaced),
              S_OK);
    EXPECT_EQ(replaced, VARIANT_TRUE);
    EXPECT_EQ(Commit(document.Get()), S_OK);
    const SqlRows attachments = index.Query("SELECT guid, name, size FROM attachment");
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0][2], "14");
    EXPECT_EQ(ReadFileBytes(kb_.folder + "/attachments/" + attachments[0][0] + "/a.txt"),
              "second version");

    ASSERT_EQ(sources_->GetAttachmentNames(document.Get(), &raw), S_OK);
    auto names = As<IZemKMSQLiteRecordset>(raw);
    ScopedBstr name;
    ASSERT_EQ(names->GetFieldText(0, name.Out()), S_OK);
    EXPECT_EQ(name.ToText(), u"a.txt");
    EXPECT_EQ(names->MoveNext(), S_FALSE);
    EXPECT_EQ(sources_->SetDocumentTitle(nullptr, u"x"), E_INVALIDARG);
}

}  // namespace
}  // namespace zem::test
