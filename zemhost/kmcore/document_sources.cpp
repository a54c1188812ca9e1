#include "document_sources.h"

#include <cstring>

#include "host_files.h"
#include "kb_objects.h"
#include "platform/file_stream.h"
#include "row_recordset.h"

namespace zem::kmcore {

namespace {

// Whether two regular files hold the same bytes, read side by side a block at a time.
bool SameFileBytes(const Text& first, const Text& second) {
    FileStream a, b;
    if (!a.Open(first, "rb") || !b.Open(second, "rb") || a.Size() != b.Size())
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

// The rows of a query whose parameters are all texts, each row `columns` texts.
std::vector<TextRow> ReadRows(KnowledgeBase& kb, const std::string& sql,
                              std::initializer_list<TextView> params, int columns) {
    Statement query(kb, sql);
    int index = 0;
    for (TextView param : params)
        query.Bind(++index, param);
    std::vector<TextRow> rows;
    while (query.NextRow()) {
        TextRow& row = rows.emplace_back();
        for (int column = 0; column < columns; ++column)
            row.push_back(query.ColumnText(column));
    }
    return rows;
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
    ComPtr<IUnknown> made;
    Text guid;
    const bool stored = kb->InTransaction([&] {
        if (Failed(target->CreateDocument(title, u"", made.Out())) ||
            !DocumentGuidOf(made.Get(), guid))
            return false;
        Statement record(*kb,
                         "INSERT OR REPLACE INTO document_source(source, account, source_id, "
                         "document_guid) VALUES(?1, ?2, ?3, ?4)");
        return record.Bind(1, ArgText(source))
            .Bind(2, ArgText(account))
            .Bind(3, ArgText(sourceId))
            .Bind(4, guid)
            .Run();
    });
    if (!stored) {
        // The document's row went with the transaction; its folder is taken back here.
        if (!guid.empty())
            RemoveObjectFolder(kb->DocumentFolder(guid), u"index.html");
        return E_FAIL;
    }
    *document = made.Detach();
    return S_OK;
}

HRESULT DocumentSourcesComponent::SetSourceVersion(IUnknown* document, int64_t version) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (!Resolve(document, kb, guid))
        return E_INVALIDARG;
    Statement update(*kb,
                     "UPDATE document_source SET source_version = ?2, document_modified = "
                     "(SELECT modified FROM document WHERE guid = ?1) WHERE document_guid = ?1 "
                     "RETURNING 1");
    return update.Bind(1, guid).Bind(2, version).NextRow() ? S_OK : S_FALSE;
}

HRESULT DocumentSourcesComponent::FindSourceDocument(const char16_t* source,
                                                     const char16_t* account,
                                                     const char16_t* sourceId,
                                                     IUnknown** document) {
    std::shared_ptr<KnowledgeBase> kb;
    if (const HRESULT status = StartCall(document, kb); status != S_OK)
        return status;
    // The join leaves out a record whose document was deleted by a program that did not
    // have foreign keys on, and so left the record behind.
    const std::vector<TextRow> found =
        ReadRows(*kb,
                 "SELECT r.document_guid FROM document_source r JOIN document d ON d.guid = "
                 "r.document_guid WHERE r.source = ?1 AND r.account = ?2 AND r.source_id = ?3",
                 {ArgText(source), ArgText(account), ArgText(sourceId)}, 1);
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
    // A date that differs either way counts as a change: an older date than the one kept
    // was set by someone as well.
    *recordset = NewRowRecordset(
        ReadRows(*kb,
                 "SELECT r.source_id, r.source_version, r.document_modified IS NOT NULL AND "
                 "d.modified IS NOT r.document_modified FROM document_source r JOIN document d "
                 "ON d.guid = r.document_guid WHERE r.source = ?1 AND r.account = ?2",
                 {ArgText(source), ArgText(account)}, 3),
        3);
    return S_OK;
}

HRESULT DocumentSourcesComponent::SetDocumentTitle(IUnknown* document, const char16_t* title) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (!Resolve(document, kb, guid))
        return E_INVALIDARG;
    Statement update(*kb, "UPDATE document SET title = ?2 WHERE guid = ?1");
    return update.Bind(1, guid).Bind(2, ArgText(title)).Run() ? S_OK : E_FAIL;
}

HRESULT DocumentSourcesComponent::SetDocumentLocation(IUnknown* document,
                                                      const char16_t* location) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid, normalized;
    if (!Resolve(document, kb, guid) || !NormalizeLocation(ArgText(location), normalized))
        return E_INVALIDARG;
    if (!EnsureFolder(*kb, normalized, true))
        return E_FAIL;
    Statement update(*kb, "UPDATE document SET location = ?2 WHERE guid = ?1");
    return update.Bind(1, guid).Bind(2, normalized).Run() ? S_OK : E_FAIL;
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
    const std::vector<TextRow> found = ReadRows(*kb,
                                                "SELECT guid FROM attachment WHERE document_guid "
                                                "= ?1 AND name = ?2 ORDER BY rowid LIMIT 1",
                                                {guid, name}, 1);
    if (found.empty())
        return S_FALSE;
    const Text& attachment = found.front()[0];
    const Text folder = kb->AttachmentFolder(attachment);
    if (SameFileBytes(source, folder + name))
        return S_OK;
    // The file is replaced whole, so a killed process leaves the old bytes or the new.
    uint64_t size = 0;
    if (!MakeFolderTree(folder) || !CopyFileAtomically(source, folder + name, &size))
        return E_FAIL;
    Statement update(*kb, "UPDATE attachment SET size = ?2 WHERE guid = ?1");
    if (!update.Bind(1, attachment).Bind(2, static_cast<int64_t>(size)).Run())
        return E_FAIL;
    *replaced = VARIANT_TRUE;
    return S_OK;
}

HRESULT DocumentSourcesComponent::GetAttachmentNames(IUnknown* document, IUnknown** recordset) {
    std::shared_ptr<KnowledgeBase> kb;
    Text guid;
    if (const HRESULT status = StartCall(recordset, kb); status != S_OK)
        return status;
    if (!DocumentGuidOf(document, guid))
        return E_INVALIDARG;
    *recordset = NewRowRecordset(
        ReadRows(*kb, "SELECT name FROM attachment WHERE document_guid = ?1 ORDER BY rowid", {guid},
                 1),
        1);
    return S_OK;
}

}  // namespace zem::kmcore
