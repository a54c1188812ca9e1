#include "host/zem_km_interfaces.h"
#include "kb_objects.h"
#include "platform/com_object.h"

namespace zem::kmcore {

namespace {

class AttachmentObject : public ComObject<IZemKMAttachment> {
  public:
    AttachmentObject(std::shared_ptr<KnowledgeBase> kb, Text guid, Text documentGuid)
        : kb_(std::move(kb)), guid_(std::move(guid)), documentGuid_(std::move(documentGuid)) {}

    // A change to the attachment's document: it waits with that document's changes.
    HRESULT ZEM_STDMETHODCALLTYPE SetAttachmentText(const char16_t* text) override {
        KnowledgeBase::Call call(*kb_);
        return kb_->ChangeDocument(
            documentGuid_, [guid = guid_, description = ArgText(text)](KnowledgeBase& kb) {
                Statement update(kb, "UPDATE attachment SET description = ?2 WHERE guid = ?1");
                return update.Bind(1, guid).Bind(2, description).Run();
            });
    }

  private:
    std::shared_ptr<KnowledgeBase> kb_;
    Text guid_;
    Text documentGuid_;
};

}  // namespace

IUnknown* NewAttachmentObject(std::shared_ptr<KnowledgeBase> kb, Text guid, Text documentGuid) {
    return (new AttachmentObject(std::move(kb), std::move(guid), std::move(documentGuid)))
        ->DetachAsUnknown();
}

}  // namespace zem::kmcore
