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
    HRESULT ZEM_STDMETHODCALLTYPE CreateSourceDocument(IUnknown* folder, const char16_t* title,
                                                       const char16_t* source,
                                                       const char16_t* account,
                                                       const char16_t* sourceId,
                                                       IUnknown** document) override;
    HRESULT ZEM_STDMETHODCALLTYPE SetSourceVersion(IUnknown* document, int64_t version) override;
    HRESULT ZEM_STDMETHODCALLTYPE FindSourceDocument(const char16_t* source,
                                                     const char16_t* account,
                                                     const char16_t* sourceId,
                                                     IUnknown** document) override;
    HRESULT ZEM_STDMETHODCALLTYPE GetSourceRecords(const char16_t* source, const char16_t* account,
                                                   IUnknown** recordset) override;
    HRESULT ZEM_STDMETHODCALLTYPE SetDocumentTitle(IUnknown* document,
                                                   const char16_t* title) override;
    HRESULT ZEM_STDMETHODCALLTYPE SetDocumentLocation(IUnknown* document,
                                                      const char16_t* location) override;
    HRESULT ZEM_STDMETHODCALLTYPE ReplaceAttachmentFromFile(IUnknown* document,
                                                            const char16_t* path,
                                                            VARIANT_BOOL* replaced) override;
    HRESULT ZEM_STDMETHODCALLTYPE GetAttachmentNames(IUnknown* document,
                                                     IUnknown** recordset) override;
    HRESULT ZEM_STDMETHODCALLTYPE GetSourceRecord(const char16_t* source, const char16_t* account,
                                                  const char16_t* sourceId,
                                                  IUnknown** recordset) override;

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
