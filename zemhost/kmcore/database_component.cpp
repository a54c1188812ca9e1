#include "components.h"
#include "document_sources.h"
#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "source_account_hold.h"

namespace zem::kmcore {

namespace {

// The registered data store when it exists, else "My Knowledge" in the user's Documents.
Text DefaultDataStore() {
    Text registered;
    if (RegistryReadText(u"Software\\Zem", u"DataStore", registered) && !registered.empty() &&
        IsFolder(registered))
        return WithClosingSlash(registered);
    return WithClosingSlash(GetDocumentsFolderPath()) + ToNativeSeparators(u"My Knowledge/");
}

// The engine offers where documents came from (IZemKMDocumentSources) and holds on a source
// account's imports (IZemKMSourceAccountHold) beside the database interface; a variant built
// for tests leaves them out to stand for an older engine.
#ifdef ZEM_KMCORE_WITHOUT_DOCUMENT_SOURCES
using DatabaseInterfaces = ComObject<IZemKMDatabase>;
#else
using DatabaseInterfaces =
    ComObject<IZemKMDatabase, DocumentSourcesComponent, SourceAccountHoldComponent>;
#endif

class DatabaseComponent : public DatabaseInterfaces {
  public:
    ~DatabaseComponent() override { Close(); }

    HRESULT ZEM_STDMETHODCALLTYPE Open(const char16_t* path) override {
        Text index = ArgText(path);
        if (index.empty()) {
            const Text folder = DefaultDataStore() + ToNativeSeparators(u"Data/default/");
            CreateFolderAndParents(folder);
            index = folder + u"index.db";
        }
        Text error;
        return OpenIndex(index, error);
    }

    // The fixed text and the flags select nothing here: there is one kind of knowledge base.
    HRESULT ZEM_STDMETHODCALLTYPE OpenEx(const char16_t* path, const char16_t* /*fixedText*/,
                                         int32_t /*flags*/, BSTR* errorText) override {
        Text error;
        const HRESULT result = OpenIndex(ArgText(path), error);
        if (errorText)
            *errorText = Failed(result) ? SysAllocText(error) : nullptr;
        return result;
    }

    HRESULT ZEM_STDMETHODCALLTYPE FindTagByName(const char16_t* name, IUnknown* parentTag,
                                                const char16_t* /*description*/,
                                                IUnknown** tag) override {
        if (!tag)
            return E_POINTER;
        *tag = nullptr;
        if (!kb_)
            return E_FAIL;
        Text parentGuid;
        if (parentTag && !TagGuidOf(parentTag, parentGuid))
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        // A tag the waiting changes make must be found.
        if (const HRESULT stored = kb_->StoreWaitingChanges(); stored != S_OK)
            return stored;
        const Text guid = FindTag(*kb_, ArgText(name), parentTag ? &parentGuid : nullptr);
        if (guid.empty())
            return S_FALSE;
        *tag = NewTagObject(kb_, guid);
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE CreateRootTag(const char16_t* name, const char16_t* description,
                                                IUnknown** tag) override {
        if (!tag)
            return E_POINTER;
        *tag = nullptr;
        if (!kb_)
            return E_FAIL;
        if (ArgText(name).empty())
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        Text guid;
        const HRESULT status = kb_->InTransaction([&] {
            guid = InsertTag(*kb_, Text(), name, ArgText(description));
            return !guid.empty();
        });
        if (status != S_OK)
            return status;
        *tag = NewTagObject(kb_, guid);
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE GetFolderByLocation(const char16_t* location, VARIANT_BOOL create,
                                                      IUnknown** folder) override {
        if (!folder)
            return E_POINTER;
        *folder = nullptr;
        if (!kb_)
            return E_FAIL;
        Text normalized;
        if (!NormalizeLocation(ArgText(location), normalized))
            return E_INVALIDARG;
        KnowledgeBase::Call call(*kb_);
        if (const HRESULT status = EnsureFolder(*kb_, normalized, create != VARIANT_FALSE);
            status != S_OK)
            return status;
        *folder = NewFolderObject(kb_, normalized);
        return S_OK;
    }

  private:
#ifndef ZEM_KMCORE_WITHOUT_DOCUMENT_SOURCES
    std::shared_ptr<KnowledgeBase> SourcesKnowledgeBase() override {
        return kb_;
    }
    std::shared_ptr<KnowledgeBase> HoldsKnowledgeBase() override {
        return kb_;
    }
#endif

    // Opening replaces the knowledge base in use; objects made earlier keep theirs.
    HRESULT OpenIndex(const Text& index, Text& error) {
        Close();
        HRESULT status = E_FAIL;
        kb_ = KnowledgeBase::Open(index, status, error);
        return status;
    }

    // Letting go of a knowledge base stores its waiting changes, even while objects made
    // from it live on.
    void Close() {
        if (!kb_)
            return;
        {
            KnowledgeBase::Call call(*kb_);
            kb_->StoreWaitingChanges();
        }
        kb_.reset();
    }

    std::shared_ptr<KnowledgeBase> kb_;
};

}  // namespace

IUnknown* NewDatabaseComponent() {
    return (new DatabaseComponent)->DetachAsUnknown();
}

}  // namespace zem::kmcore
