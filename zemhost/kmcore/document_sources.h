// The database component's record of where imported documents came from
// (IZemKMDocumentSources), kept in index.db's document_source table. Mixed into the database
// component, which supplies the knowledge base it has open; every call works on that one.
#pragma once

#include <memory>

#include "host/zem_km_document_sources.h"
#include "knowledge_base.h"

namespace zem::kmcore {

class DocumentSourcesComponent : public IZemKMDocumentSources {
  public:
    HRESULT CreateSourceDocument(IUnknown* folder, const char16_t* title, const char16_t* source,
                                 const char16_t* account, const char16_t* sourceId,
                                 IUnknown** document) override;
    HRESULT SetSourceVersion(IUnknown* document, int64_t version) override;
    HRESULT FindSourceDocument(const char16_t* source, const char16_t* account,
                               const char16_t* sourceId, IUnknown** document) override;
    HRESULT GetSourceRecords(const char16_t* source, const char16_t* account,
                             IUnknown** recordset) override;
    HRESULT SetDocumentTitle(IUnknown* document, const char16_t* title) override;
    HRESULT SetDocumentLocation(IUnknown* document, const char16_t* location) override;
    HRESULT ReplaceAttachmentFromFile(IUnknown* document, const char16_t* path,
                                      VARIANT_BOOL* replaced) override;
    HRESULT GetAttachmentNames(IUnknown* document, IUnknown** recordset) override;
    HRESULT GetSourceRecord(const char16_t* source, const char16_t* account,
                            const char16_t* sourceId, IUnknown** recordset) override;

  protected:
    ~DocumentSourcesComponent() = default;
    // The knowledge base open now, or null.
    virtual std::shared_ptr<KnowledgeBase> SourcesKnowledgeBase() = 0;

  private:
    // The open knowledge base and the key of `document` in it; false when there is no
    // knowledge base or the object is not one of this library's documents.
    bool Resolve(IUnknown* document, std::shared_ptr<KnowledgeBase>& kb, Text& guid);
    // Clears the out object and finds the open knowledge base: S_OK, E_POINTER or E_FAIL.
    HRESULT StartCall(IUnknown** out, std::shared_ptr<KnowledgeBase>& kb);
};

}  // namespace zem::kmcore
