#include "host/zem_km_interfaces.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "storage_dates.h"

namespace zem::kmcore {

namespace {

class TagObject : public ComObject<IZemKMTag> {
  public:
    TagObject(std::shared_ptr<KnowledgeBase> kb, Text guid)
        : kb_(std::move(kb)), guid_(std::move(guid)) {}

    HRESULT ZEM_STDMETHODCALLTYPE CreateChildTag(const char16_t* name, const char16_t* description,
                                                 IUnknown** tag) override {
        if (!tag)
            return E_POINTER;
        *tag = nullptr;
        if (ArgText(name).empty())
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        Text guid;
        const HRESULT status = kb_->InTransaction([&] {
            guid = InsertTag(*kb_, guid_, name, ArgText(description));
            return !guid.empty();
        });
        if (status != S_OK)
            return status;
        *tag = NewTagObject(kb_, guid);
        return S_OK;
    }

    const Text& Guid() const { return guid_; }

  private:
    std::shared_ptr<KnowledgeBase> kb_;
    Text guid_;
};

}  // namespace

IUnknown* NewTagObject(std::shared_ptr<KnowledgeBase> kb, Text guid) {
    return (new TagObject(std::move(kb), std::move(guid)))->DetachAsUnknown();
}

bool TagGuidOf(IUnknown* tag, Text& guid) {
    auto asTag = ComPtr<IZemKMTag>::QueryFrom(tag);
    const auto* object = dynamic_cast<const TagObject*>(asTag.Get());
    if (!object)
        return false;
    guid = object->Guid();
    return true;
}

Text FindTag(KnowledgeBase& kb, const Text& name, const Text* parentGuid) {
    // NOCASE folds exactly the letters a-z, which is the comparison tags are known by.
    Statement find(kb, parentGuid ? "SELECT guid FROM tag WHERE name = ?1 COLLATE NOCASE "
                                    "AND parent_guid = ?2 ORDER BY rowid LIMIT 1"
                                  : "SELECT guid FROM tag WHERE name = ?1 COLLATE NOCASE "
                                    "ORDER BY rowid LIMIT 1");
    find.Bind(1, name);
    if (parentGuid)
        find.Bind(2, *parentGuid);
    return find.NextRow() ? find.ColumnText(0) : Text();
}

Text InsertTag(KnowledgeBase& kb, const Text& parentGuid, const Text& name,
               const Text& description) {
    const Text guid = NewGuidText();
    Statement insert(kb,
                     "INSERT INTO tag(guid, parent_guid, name, description, created) "
                     "VALUES(?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, guid).Bind(3, name).Bind(4, description).Bind(5, CurrentStorageTime());
    if (parentGuid.empty())
        insert.BindNull(2);
    else
        insert.Bind(2, parentGuid);
    return insert.Run() ? guid : Text();
}

}  // namespace zem::kmcore
