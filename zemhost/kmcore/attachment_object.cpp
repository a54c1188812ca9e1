#include "host/zem_km_interfaces.h"
#include "platform/com_object.h"
#include "kb_objects.h"

namespace zem::kmcore {

namespace {

class AttachmentObject : public ComObject<IZemKMAttachment> {
  public:
    AttachmentObject(std::shared_ptr<KnowledgeBase> kb, Text guid)
        : kb_(std::move(kb)), guid_(std::move(guid)) {}

    HRESULT SetAttachmentText(const char16_t* text) override {
        Statement update(*kb_, "UPDATE attachment SET description = ?2 WHERE guid = ?1");
        return update.Bind(1, guid_).Bind(2, ArgText(text)).Run() ? S_OK : E_FAIL;
    }

  private:
    std::shared_ptr<KnowledgeBase> kb_;
    Text guid_;
};

}  // namespace

IUnknown* NewAttachmentObject(std::shared_ptr<KnowledgeBase> kb, Text guid) {
    return (new AttachmentObject(std::move(kb), std::move(guid)))->DetachAsUnknown();
}

}  // namespace zem::kmcore
