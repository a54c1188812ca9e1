#include "document_sources.h"

#include <cstring>

#include "host_files.h"
#include "kb_objects.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "row_recordset.h"

namespace zem::kmcore {

namespace {

// Whether two regular files hold the same bytes, read side by side a block at a time;
// `size` receives the first one's length.
bool SameFileBytes(const Text& first, const Text& second, uint64_t& size) {
    FileStream a, b;
    if (!a.Open(first, "rb"))
        return false;
    size = static_cast<uint64_t>(a.Size());
    if (!b.Open(second, "rb") || a.Size() != b.Size())
        return false;
    constexpr size_t kBlock = 64 * 1024;
    std::string left(kBlock, '\0'), right(kBlock, '\0');
    for (;;) {
        const size_t read = a.Read(left.data(), kBlock);
        if (b.Read(right.data(), kBlock) != read ||
            std::memcmp(left.data(), right.data(), read) != 0)
            return false;
        if (read < kBlock)
            return true;
    }
}

// The rows of a query whose parameters are all texts, each row `columns` texts. The query
// sees the changes waiting to be stored: those of `document` when given, which are applied
// for the query alone and go on waiting (a query about a document in the middle of an update
// must not store half the update), else all of them, stored first. S_OK, or the status that
// kept the query from being answered.
HRESULT ReadRows(KnowledgeBase& kb, const std::string& sql, std::initializer_list<TextView> params,
                 int columns, std::vector<TextRow>& rows, const Text* document = nullptr)
    ZEM_REQUIRES(kb.CallLock()) {
    const auto read = [&] {
        rows.clear();
        Statement query(kb, sql);
        int index = 0;
        for (TextView param : params)
            query.Bind(++index, param);
        while (query.NextRow()) {
            TextRow& row = rows.emplace_back();
            for (int column = 0; column < columns; ++column)
                row.push_back(query.ColumnText(column));
        }
        return query.ReachedEnd();
    };
    if (document)
        return kb.ReadWithWaitingChanges(*document, read);
    if (const HRESULT stored = kb.StoreWaitingChanges(); stored != S_OK)
        return stored;
    return read() ? S_OK : kb.FailureStatus();
}

// The same handed out as a result set.
// An account's records with their documents. A date that differs either way counts as a
// change: an older date than the one kept was set by someone as well.
constexpr char kSelectRecords[] =
    "SELECT r.source_id, r.source_version, r.document_modified IS NOT NULL AND d.modified IS "
    "NOT r.document_modified FROM document_source r JOIN document d ON d.guid = "
    "r.document_guid WHERE r.source = ?1 AND r.account = ?2";

HRESULT ReadRecordset(KnowledgeBase& kb, const std::string& sql,
                      std::initializer_list<TextView> params, int columns, IUnknown** recordset,
                      const Text* document = nullptr) ZEM_REQUIRES(kb.CallLock()) {
    std::vector<TextRow> rows;
    const HRESULT status = ReadRows(kb, sql, params, columns, rows, document);
    if (status == S_OK)
        *recordset = NewRowRecordset(std::move(rows), columns);
    return status;
}

}  // namespace

bool DocumentSourcesComponent::Resolve(IUnknown* document, std::shared_ptr<KnowledgeBase>& kb,
                                       Text& guid) {
    kb = SourcesKnowledgeBase();
    return kb && DocumentGuidOf(document, guid);
}

HRESULT DocumentSourcesComponent::StartCall(IUnknown** out, std::shared_ptr<KnowledgeBase>& kb) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    kb = SourcesKnowledgeBase();
    return kb ? S_OK : E_FAIL;
}

HRESULT DocumentSourcesComponent::CreateSourceDocument(IUnknown* folder, const char16_t* title,
                                                       const char16_t* source,
                                                       const char16_t* account,
                                                       const char16_t* sourceId,
                                                       IUnknown** document) {
    std::shared_ptr<KnowledgeBase> kb;
    if (const HRESULT status = StartCall(document, kb); status != S_OK)
        return status;
    auto target = ComPtr<IZemKMFolder>::QueryFrom(folder);
    if (!target || ArgText(source).empty() || ArgText(sourceId).empty())
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    ComPtr<IUnknown> made;
    Text guid;
    if (const HRESULT created = target->CreateDocument(title, u"", made.Out()); created != S_OK)
        return Failed(created) ? created : E_FAIL;
    if (!DocumentGuidOf(made.Get(), guid))
        return E_FAIL;
    // The record waits with the document's creation and is stored in the same transaction:
    // a process that ends before leaves neither. It goes into the waiting row, so that one
    // statement inserts it with its version.
    if (auto* row = kb->ChangeNewRow(guid)) {
        row->source = {ArgText(source), ArgText(account), ArgText(sourceId), std::nullopt, {}};
        *document = made.Detach();
        return S_OK;
    }
    const HRESULT status =
        kb->ChangeDocument(guid, [guid, source = ArgText(source), account = ArgText(account),
                                  id = ArgText(sourceId)](KnowledgeBase& kb) {
            Statement record(kb,
                             "INSERT OR REPLACE INTO document_source(source, account, "
                             "source_id, document_guid) VALUES(?1, ?2, ?3, ?4)");
            return record.Bind(1, source).Bind(2, account).Bind(3, id).Bind(4, guid).Run();
        });
    if (status != S_OK) {
        kb->DropWaitingChanges(&guid);
        return status;
    }
    *document = made.Detach();
    return S_OK;
}

HRESULT DocumentSourcesComponent::SetSourceVersion(IUnknown* document, int64_t version) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (!Resolve(document, kb, guid))
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    if (auto* row = kb->ChangeNewRow(guid); row && row->source) {
        row->source->version = version;
        row->source->documentModified = row->modified;
        return S_OK;
    }
    // Runs after the document's other waiting changes: the modified date kept is the one
    // they leave.
    return kb->ChangeDocument(guid, [guid, version](KnowledgeBase& kb) {
        Statement update(kb,
                         "UPDATE document_source SET source_version = ?2, document_modified = "
                         "(SELECT modified FROM document WHERE guid = ?1) WHERE document_guid "
                         "= ?1");
        return update.Bind(1, guid).Bind(2, version).Run();
    });
}

HRESULT DocumentSourcesComponent::FindSourceDocument(const char16_t* source,
                                                     const char16_t* account,
                                                     const char16_t* sourceId,
                                                     IUnknown** document) {
    std::shared_ptr<KnowledgeBase> kb;
    if (const HRESULT status = StartCall(document, kb); status != S_OK)
        return status;
    KnowledgeBase::Call call(*kb);
    // The join leaves out a record whose document was deleted by a program that did not
    // have foreign keys on, and so left the record behind.
    std::vector<TextRow> found;
    const HRESULT status =
        ReadRows(*kb,
                 "SELECT r.document_guid FROM document_source r JOIN document d ON d.guid = "
                 "r.document_guid WHERE r.source = ?1 AND r.account = ?2 AND r.source_id = ?3",
                 {ArgText(source), ArgText(account), ArgText(sourceId)}, 1, found);
    if (status != S_OK)
        return status;
    if (found.empty())
        return S_FALSE;
    *document = NewDocumentObject(kb, found.front()[0]);
    return S_OK;
}

HRESULT DocumentSourcesComponent::GetSourceRecords(const char16_t* source, const char16_t* account,
                                                   IUnknown** recordset) {
    std::shared_ptr<KnowledgeBase> kb;
    if (const HRESULT status = StartCall(recordset, kb); status != S_OK)
        return status;
    KnowledgeBase::Call call(*kb);
    return ReadRecordset(*kb, kSelectRecords, {ArgText(source), ArgText(account)}, 3, recordset);
}

HRESULT DocumentSourcesComponent::GetSourceRecord(const char16_t* source, const char16_t* account,
                                                  const char16_t* sourceId, IUnknown** recordset) {
    std::shared_ptr<KnowledgeBase> kb;
    if (const HRESULT status = StartCall(recordset, kb); status != S_OK)
        return status;
    KnowledgeBase::Call call(*kb);
    return ReadRecordset(*kb, std::string(kSelectRecords) + " AND r.source_id = ?3",
                         {ArgText(source), ArgText(account), ArgText(sourceId)}, 3, recordset);
}

HRESULT DocumentSourcesComponent::SetDocumentTitle(IUnknown* document, const char16_t* title) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (!Resolve(document, kb, guid))
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    return kb->ChangeDocument(guid, [guid, title = ArgText(title)](KnowledgeBase& kb) {
        Statement update(kb, "UPDATE document SET title = ?2 WHERE guid = ?1");
        return update.Bind(1, guid).Bind(2, title).Run();
    });
}

HRESULT DocumentSourcesComponent::SetDocumentLocation(IUnknown* document,
                                                      const char16_t* location) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid, normalized;
    if (!Resolve(document, kb, guid) || !NormalizeLocation(ArgText(location), normalized))
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    if (const HRESULT status = EnsureFolder(*kb, normalized, true); status != S_OK)
        return Failed(status) ? status : E_FAIL;
    return kb->ChangeDocument(guid, [guid, normalized](KnowledgeBase& kb) {
        Statement update(kb, "UPDATE document SET location = ?2 WHERE guid = ?1");
        return update.Bind(1, guid).Bind(2, normalized).Run();
    });
}

HRESULT DocumentSourcesComponent::ReplaceAttachmentFromFile(IUnknown* document,
                                                            const char16_t* path,
                                                            VARIANT_BOOL* replaced) {
    if (!replaced)
        return E_POINTER;
    *replaced = VARIANT_FALSE;
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    const Text source = ArgText(path);
    const Text name = FileNameOf(source);
    if (!Resolve(document, kb, guid) || name.empty() || !IsRegularFile(source))
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    std::vector<TextRow> found;
    if (const HRESULT status = ReadRows(*kb,
                                        "SELECT guid, size FROM attachment WHERE document_guid "
                                        "= ?1 AND name = ?2 ORDER BY rowid LIMIT 1",
                                        {guid, name}, 2, found, &guid);
        status != S_OK)
        return status;
    if (found.empty())
        return S_FALSE;
    const Text attachment = found.front()[0];
    const Text folder = kb->AttachmentFolder(attachment);
    uint64_t size = 0;
    if (!SameFileBytes(source, folder + name, size)) {
        // The new bytes are staged and replace the file with the document's other changes,
        // so that a killed process leaves the old document whole or the new one.
        const Text staged = kb->NewStagedPath();
        if (staged.empty() || !CreateFolderAndParents(folder) ||
            !CopyFileAtomically(source, kb->Folder() + staged, &size)) {
            if (!staged.empty())
                RemoveStaged(kb->Folder(), staged);
            return E_FAIL;
        }
        const Text target = u"attachments/" + attachment + u"/" + name;
        if (const HRESULT status = kb->SwitchWithChanges(guid, target, staged); status != S_OK)
            return status;
        *replaced = VARIANT_TRUE;
    }
    // The size waits with the document's changes, as the new bytes do.
    if (found.front()[1] == FromUtf8(std::to_string(size)))
        return S_OK;
    return kb->ChangeDocument(guid, [attachment, size](KnowledgeBase& kb) {
        Statement update(kb, "UPDATE attachment SET size = ?2 WHERE guid = ?1");
        return update.Bind(1, attachment).Bind(2, static_cast<int64_t>(size)).Run();
    });
}

HRESULT DocumentSourcesComponent::GetAttachmentNames(IUnknown* document, IUnknown** recordset) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (const HRESULT status = StartCall(recordset, kb); status != S_OK)
        return status;
    if (!DocumentGuidOf(document, guid))
        return E_INVALIDARG;
    KnowledgeBase::Call call(*kb);
    return ReadRecordset(*kb, "SELECT name FROM attachment WHERE document_guid = ?1 ORDER BY rowid",
                         {guid}, 1, recordset, &guid);
}

}  // namespace zem::kmcore
