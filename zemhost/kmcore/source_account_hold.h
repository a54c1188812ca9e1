// The database component's holds on a source account's imports (IZemKMSourceAccountHold).
// A hold is an advisory lock on a small file of the knowledge-base folder named after the
// source and account ("locks/import-<hash>.lock"), so that the system lets go of it when the
// holding process ends, however it ends. The files stay: removing one while another process
// opens it would let two processes each lock a file of that name. Mixed into the database
// component, which supplies the knowledge base it has open.
#pragma once

#include <memory>

#include "host/zem_km_document_sources.h"
#include "knowledge_base.h"

namespace zem::kmcore {

class SourceAccountHoldComponent : public IZemKMSourceAccountHold {
  public:
    HRESULT ZEM_STDMETHODCALLTYPE TryHoldSourceAccount(const char16_t* source,
                                                       const char16_t* account,
                                                       IUnknown** hold) override;

  protected:
    ~SourceAccountHoldComponent() = default;
    // The knowledge base open now, or null.
    virtual std::shared_ptr<KnowledgeBase> HoldsKnowledgeBase() = 0;
};

}  // namespace zem::kmcore
