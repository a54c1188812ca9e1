// An optional interface of the knowledge-base engine: where imported documents came from.
//
// Reached by QueryInterface from the database component (IZemKMDatabase); an engine that
// does not offer it answers E_NOINTERFACE, and the importer then imports without
// remembering anything. Texts, out objects and statuses follow the rules of
// zem_km_interfaces.h.
//
// A source is named by three texts: the kind of source ("YNote"), the account within it and
// the item's id in that account. The knowledge base keeps at most one record per source,
// pointing at one document; deleting the document deletes its record. A record carries the
// version of the item it was last imported from (a number the importer chooses, such as the
// item's time of last change) and the document's modified date as it was then, so that a
// document changed by someone else since can be told apart.
//
// What these calls change in a document waits with the document's other changes
// (IZemKMDocumentCommit) and is stored with them; the calls that read store whatever waits
// first. Another program holding the knowledge base gives ZEM_E_KNOWLEDGE_BASE_BUSY, as the
// other interfaces do.
#pragma once

#include "host/zem_km_interfaces.h"

namespace zem {

struct IZemKMDocumentSources : IUnknown {
    static constexpr IID kIID = MakeGuid("7C72FD01-CE78-465A-8482-6D8461A66DBF");

    // A new document in `folder` (an IZemKMFolder of this knowledge base) recorded as coming
    // from the source, stored in one step: a process killed meanwhile leaves both or
    // neither. A record the source had is replaced. The record has no version until
    // SetSourceVersion: until then the import of the document counts as unfinished.
    virtual HRESULT ZEM_STDMETHODCALLTYPE CreateSourceDocument(
        IUnknown* folder, const char16_t* title, const char16_t* source, const char16_t* account,
        const char16_t* sourceId, IUnknown** document) = 0;
    // Marks the import of the document finished at `version`, and keeps its modified date
    // as the document's changes made before this call leave it. A document without a
    // record is left alone.
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetSourceVersion(IUnknown* document, int64_t version) = 0;
    // The document recorded for the source, or S_FALSE with no object.
    virtual HRESULT ZEM_STDMETHODCALLTYPE FindSourceDocument(const char16_t* source,
                                                             const char16_t* account,
                                                             const char16_t* sourceId,
                                                             IUnknown** document) = 0;
    // Every record of the account whose document exists, in one result set
    // (IZemKMSQLiteRecordset) read to its end at the time of the call. Columns: 0 the
    // source id; 1 the version, empty while unfinished; 2 "1" when the document's modified
    // date differs from the one kept with the version, else "0".
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetSourceRecords(const char16_t* source,
                                                           const char16_t* account,
                                                           IUnknown** recordset) = 0;

    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDocumentTitle(IUnknown* document,
                                                           const char16_t* title) = 0;
    // Moves the document to the folder at `location`, created with its parents when missing.
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDocumentLocation(IUnknown* document,
                                                              const char16_t* location) = 0;

    // The document's attachment named like the file (its name after the last "/") takes
    // the file's bytes: S_OK with `replaced` telling whether they differed from its own
    // (equal bytes are left alone), or S_FALSE when the document has no attachment of that
    // name (nothing is added).
    virtual HRESULT ZEM_STDMETHODCALLTYPE ReplaceAttachmentFromFile(IUnknown* document,
                                                                    const char16_t* path,
                                                                    VARIANT_BOOL* replaced) = 0;
    // The names of the document's attachments, one per row of a result set
    // (IZemKMSQLiteRecordset), read at the time of the call.
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetAttachmentNames(IUnknown* document,
                                                             IUnknown** recordset) = 0;
    // The account's record for one source id, as GetSourceRecords gives it: a result set of
    // one row, or of none when the source has no record whose document exists.
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetSourceRecord(const char16_t* source,
                                                          const char16_t* account,
                                                          const char16_t* sourceId,
                                                          IUnknown** recordset) = 0;

  protected:
    ~IZemKMDocumentSources() = default;
};

// An optional interface of the database component, beside IZemKMDocumentSources: one import
// of a source account at a time into the open knowledge base. Two imports of the same
// account that ran at once would each find the other's notes missing and bring them in a
// second time; the hold lets the later one wait until the earlier one has ended, whatever
// way it ends (a killed process lets go of its hold). It binds only importers that ask.
struct IZemKMSourceAccountHold : IUnknown {
    static constexpr IID kIID = MakeGuid("3E0B7B52-95C1-4F0E-9D3A-6A1F2C4B8E17");

    // S_OK and, in `hold`, an object that holds the account's imports until it is released;
    // S_FALSE (no object) when another hold of the account exists, in this process or
    // another; a failure status when the knowledge base cannot keep holds.
    virtual HRESULT ZEM_STDMETHODCALLTYPE TryHoldSourceAccount(const char16_t* source,
                                                               const char16_t* account,
                                                               IUnknown** hold) = 0;

  protected:
    ~IZemKMSourceAccountHold() = default;
};

}  // namespace zem
