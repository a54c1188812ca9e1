#include <utility>

#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "html_import.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "storage_dates.h"

namespace zem::kmcore {

namespace {

class DocumentObject : public ComObject<IZemKMDocument, IZemKMDocumentCommit> {
  public:
    DocumentObject(std::shared_ptr<KnowledgeBase> kb, Text guid)
        : kb_(std::move(kb)), guid_(std::move(guid)) {}

    ~DocumentObject() override {
        KnowledgeBase::Call call(*kb_);
        kb_->StoreWaitingChanges(&guid_);
    }

    HRESULT ZEM_STDMETHODCALLTYPE SetDocumentUrl(const char16_t* url) override {
        KnowledgeBase::Call call(*kb_);
        if (auto* row = kb_->ChangeNewRow(guid_)) {
            row->url = ArgText(url);
            return S_OK;
        }
        return Change([guid = guid_, text = ArgText(url)](KnowledgeBase& kb) {
            Statement update(kb, "UPDATE document SET url = ?2 WHERE guid = ?1");
            return update.Bind(1, guid).Bind(2, text).Run();
        });
    }

    // Links are resolved against the HTML file's own folder; `url` and `flags` change
    // nothing in how the page is taken in. The page of a document not stored yet is written
    // in its folder at once: the document's row, once stored, names a page that is there.
    // A stored document's new page is written beside and takes the old one's place with the
    // document's other changes, so that the document is never half old and half new; a page
    // that cannot be written whole leaves the old one.
    HRESULT ZEM_STDMETHODCALLTYPE UpdateFromHtmlFile(const char16_t* htmlFile,
                                                     const char16_t* /*url*/,
                                                     int32_t /*flags*/) override {
        if (ArgText(htmlFile).empty())
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        if (const HRESULT status = Change(nullptr); status != S_OK)
            return status;
        if (kb_->ChangeNewRow(guid_)) {
            const bool whole = ImportHtmlFile(htmlFile, kb_->DocumentFolder(guid_));
            if (whole) {
                if (auto* row = kb_->ChangeNewRow(guid_))
                    row->pageWritten = true;
            }
            return whole ? S_OK : E_FAIL;
        }
        const Text staged = kb_->NewStagedPath();
        if (staged.empty())
            return E_FAIL;
        if (!ImportHtmlFile(htmlFile, kb_->Folder() + staged + u"/")) {
            RemoveObjectFolder(kb_->Folder() + staged);
            return E_FAIL;
        }
        return kb_->SwitchWithChanges(guid_, u"documents/" + guid_ + u"/", staged);
    }

    // The document's tags become exactly those named; `parentTagName` is not used, new tags
    // are made at the top level.
    HRESULT ZEM_STDMETHODCALLTYPE SetTagsText(const char16_t* names,
                                              const char16_t* /*parentTagName*/) override {
        KnowledgeBase::Call call(*kb_);
        bool clear = true;
        if (auto* row = kb_->ChangeNewRow(guid_))
            clear = std::exchange(row->tagged, true);
        return Change([guid = guid_, all = ArgText(names), clear](KnowledgeBase& kb) {
            if (clear && !Statement(kb, "DELETE FROM document_tag WHERE document_guid = ?1")
                              .Bind(1, guid)
                              .Run())
                return false;
            size_t start = 0;
            while (start <= all.size()) {
                size_t end = all.find(u';', start);
                if (end == Text::npos)
                    end = all.size();
                if (!LinkTag(kb, guid, all.substr(start, end - start)))
                    return false;
                start = end + 1;
            }
            return true;
        });
    }

    // The file is copied before its row waits to be stored, and without the write lock: a
    // copy may take long.
    HRESULT ZEM_STDMETHODCALLTYPE AddAttachmentFromFile(const char16_t* path,
                                                        IUnknown** attachment) override {
        if (!attachment)
            return E_POINTER;
        *attachment = nullptr;
        const Text source = ArgText(path);
        const Text name = FileNameOf(source);
        if (name.empty() || !IsRegularFile(source))
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        if (const HRESULT status = Change(nullptr); status != S_OK)
            return status;
        const Text guid = NewGuidText();
        const Text folder = kb_->AttachmentFolder(guid);
        uint64_t size = 0;
        if (!MakeNewFolder(folder) || !CopyFileAtomically(source, folder + name, &size)) {
            RemoveObjectFolder(folder);
            return E_FAIL;
        }
        const HRESULT status = kb_->ChangeDocument(
            guid_,
            [guid, document = guid_, name, size,
             created = CurrentStorageTime()](KnowledgeBase& kb) {
                Statement insert(kb,
                                 "INSERT INTO attachment(guid, document_guid, name, size, "
                                 "created) VALUES(?1, ?2, ?3, ?4, ?5)");
                insert.Bind(1, guid).Bind(2, document).Bind(3, name);
                return insert.Bind(4, static_cast<int64_t>(size)).Bind(5, created).Run();
            },
            folder);
        if (status != S_OK) {
            RemoveObjectFolder(folder);
            return status;
        }
        *attachment = NewAttachmentObject(kb_, guid, guid_);
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE SetDateCreated(double date) override {
        return SetDate(&KnowledgeBase::NewDocumentRow::created,
                       "UPDATE document SET created = ?2 WHERE guid = ?1", date);
    }
    HRESULT ZEM_STDMETHODCALLTYPE SetDateModified(double date) override {
        return SetDate(&KnowledgeBase::NewDocumentRow::modified,
                       "UPDATE document SET modified = ?2 WHERE guid = ?1", date);
    }
    HRESULT ZEM_STDMETHODCALLTYPE SetDateUpdated(double date) override {
        return SetDate(&KnowledgeBase::NewDocumentRow::updated,
                       "UPDATE document SET updated = ?2 WHERE guid = ?1", date);
    }

    HRESULT ZEM_STDMETHODCALLTYPE CommitChanges() override {
        KnowledgeBase::Call call(*kb_);
        return kb_->CommitDocument(guid_);
    }

    HRESULT ZEM_STDMETHODCALLTYPE DiscardChanges() override {
        KnowledgeBase::Call call(*kb_);
        kb_->DropWaitingChanges(&guid_);
        return S_OK;
    }

    const Text& Guid() const { return guid_; }

  private:
    HRESULT Change(KnowledgeBase::Step step) ZEM_REQUIRES(kb_->CallLock()) {
        return kb_->ChangeDocument(guid_, std::move(step));
    }

    static bool LinkTag(KnowledgeBase& kb, const Text& document, const Text& name) {
        if (name.empty())
            return true;
        Text tag = FindTag(kb, name, nullptr);
        if (tag.empty())
            tag = InsertTag(kb, Text(), name, Text());
        if (tag.empty())
            return false;
        Statement link(kb,
                       "INSERT OR IGNORE INTO document_tag(document_guid, tag_guid) "
                       "VALUES(?1, ?2)");
        return link.Bind(1, document).Bind(2, tag).Run();
    }

    // `column`: where the date goes while the document's row waits to be inserted; `sql`:
    // the update of a stored row.
    HRESULT SetDate(std::string KnowledgeBase::NewDocumentRow::*column, const char* sql,
                    double date) {
        std::string text;
        if (!OleDateToStorageText(date, text))
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        if (auto* row = kb_->ChangeNewRow(guid_)) {
            row->*column = std::move(text);
            return S_OK;
        }
        return Change([guid = guid_, sql, text](KnowledgeBase& kb) {
            Statement update(kb, sql);
            return update.Bind(1, guid).Bind(2, text).Run();
        });
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
