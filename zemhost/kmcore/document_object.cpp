#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "html_import.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "storage_dates.h"

namespace zem::kmcore {

namespace {

class DocumentObject : public ComObject<IZemKMDocument> {
  public:
    DocumentObject(std::shared_ptr<KnowledgeBase> kb, Text guid)
        : kb_(std::move(kb)), guid_(std::move(guid)) {}

    HRESULT SetDocumentUrl(const char16_t* url) override {
        Statement update(*kb_, "UPDATE document SET url = ?2 WHERE guid = ?1");
        return update.Bind(1, guid_).Bind(2, ArgText(url)).Run() ? S_OK : E_FAIL;
    }

    // Links are resolved against the HTML file's own folder; `url` and `flags` change
    // nothing in how the page is taken in.
    HRESULT UpdateFromHtmlFile(const char16_t* htmlFile, const char16_t* /*url*/,
                               int32_t /*flags*/) override {
        if (ArgText(htmlFile).empty())
            return E_INVALIDARG;
        return ImportHtmlFile(htmlFile, kb_->DocumentFolder(guid_)) ? S_OK : E_FAIL;
    }

    // The document's tags become exactly those named; `parentTagName` is not used, new tags
    // are made at the top level.
    HRESULT SetTagsText(const char16_t* names, const char16_t* /*parentTagName*/) override {
        const Text all = ArgText(names);
        const bool stored = kb_->InTransaction([&] {
            Statement clear(*kb_, "DELETE FROM document_tag WHERE document_guid = ?1");
            if (!clear.Bind(1, guid_).Run())
                return false;
            size_t start = 0;
            while (start <= all.size()) {
                size_t end = all.find(u';', start);
                if (end == Text::npos)
                    end = all.size();
                if (!LinkTag(all.substr(start, end - start)))
                    return false;
                start = end + 1;
            }
            return true;
        });
        return stored ? S_OK : E_FAIL;
    }

    HRESULT AddAttachmentFromFile(const char16_t* path, IUnknown** attachment) override {
        if (!attachment)
            return E_POINTER;
        *attachment = nullptr;
        const Text source = ArgText(path);
        const Text name = FileNameOf(source);
        if (name.empty() || !IsRegularFile(source))
            return E_INVALIDARG;
        const Text guid = NewGuidText();
        const Text folder = kb_->AttachmentFolder(guid);
        uint64_t size = 0;
        if (!MakeNewFolder(folder) || !CopyFileAtomically(source, folder + name, &size)) {
            RemoveObjectFolder(folder, Text());
            return E_FAIL;
        }
        Statement insert(*kb_,
                         "INSERT INTO attachment(guid, document_guid, name, size, created) "
                         "VALUES(?1, ?2, ?3, ?4, ?5)");
        insert.Bind(1, guid).Bind(2, guid_).Bind(3, name).Bind(4, static_cast<int64_t>(size));
        if (!insert.Bind(5, CurrentStorageTime()).Run()) {
            RemoveObjectFolder(folder, name);
            return E_FAIL;
        }
        *attachment = NewAttachmentObject(kb_, guid);
        return S_OK;
    }

    HRESULT SetDateCreated(double date) override {
        return SetDate("UPDATE document SET created = ?2 WHERE guid = ?1", date);
    }
    HRESULT SetDateModified(double date) override {
        return SetDate("UPDATE document SET modified = ?2 WHERE guid = ?1", date);
    }
    HRESULT SetDateUpdated(double date) override {
        return SetDate("UPDATE document SET updated = ?2 WHERE guid = ?1", date);
    }

    const Text& Guid() const { return guid_; }

  private:
    bool LinkTag(const Text& name) {
        if (name.empty())
            return true;
        Text tag = FindTag(*kb_, name, nullptr);
        if (tag.empty())
            tag = InsertTag(*kb_, Text(), name, Text());
        if (tag.empty())
            return false;
        Statement link(*kb_,
                       "INSERT OR IGNORE INTO document_tag(document_guid, tag_guid) "
                       "VALUES(?1, ?2)");
        return link.Bind(1, guid_).Bind(2, tag).Run();
    }

    HRESULT SetDate(const char* sql, double date) {
        std::string text;
        if (!OleDateToStorageText(date, text))
            return E_INVALIDARG;
        Statement update(*kb_, sql);
        return update.Bind(1, guid_).Bind(2, text).Run() ? S_OK : E_FAIL;
    }

    std::shared_ptr<KnowledgeBase> kb_;
    Text guid_;
};

}  // namespace

IUnknown* NewDocumentObject(std::shared_ptr<KnowledgeBase> kb, Text guid) {
    return (new DocumentObject(std::move(kb), std::move(guid)))->DetachAsUnknown();
}

bool DocumentGuidOf(IUnknown* document, Text& guid) {
    auto asDocument = ComPtr<IZemKMDocument>::QueryFrom(document);
    const auto* object = dynamic_cast<const DocumentObject*>(asDocument.Get());
    if (!object)
        return false;
    guid = object->Guid();
    return true;
}

}  // namespace zem::kmcore
