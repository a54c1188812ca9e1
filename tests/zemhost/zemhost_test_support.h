// Reaching the host libraries the way the program does: loaded from build/bin with the
// platform's LoadLibrary, components made through DllGetClassObject and their factory, and
// everything driven through the component interfaces. Plus small file helpers and a fresh
// knowledge base per test.
#pragma once

#include <string>

#include "host/zem_km_interfaces.h"
#include "platform/dynamic_library.h"
#include "support/test_files.h"

namespace zem::test {

// One loaded host library; loading fails the current test.
class HostLibrary {
  public:
    explicit HostLibrary(const std::string& fileName);
    ~HostLibrary();
    HostLibrary(const HostLibrary&) = delete;
    HostLibrary& operator=(const HostLibrary&) = delete;

    template <class F>
    F Entry(const char* name) const {
        return reinterpret_cast<F>(GetProcAddress(handle_, name));
    }

  private:
    LibraryHandle handle_ = nullptr;
};

// Takes over the reference an out-parameter returned and asks it for T.
template <class T>
ComPtr<T> As(IUnknown* object) {
    auto owned = ComPtr<IUnknown>::Attach(object);
    return ComPtr<T>::QueryFrom(owned.Get());
}

// ZemKMCore.dll with its three components and its SQLite factory.
class KmCore {
  public:
    KmCore() : library_("ZemKMCore.dll") {}

    template <class T>
    ComPtr<T> Create(const CLSID& clsid) {
        IClassFactory* factory = nullptr;
        ComPtr<T> object;
        auto get = library_.Entry<DllGetClassObjectFunc>("DllGetClassObject");
        if (get && get(clsid, IClassFactory::kIID, reinterpret_cast<void**>(&factory)) == S_OK) {
            factory->CreateInstance(nullptr, T::kIID, object.OutVoid());
            factory->Release();
        }
        return object;
    }
    ComPtr<IZemKMDatabase> Database() { return Create<IZemKMDatabase>(CLSID_ZemKMDatabase); }
    ComPtr<IZemKMSQLiteDatabase> SQLite();

  private:
    HostLibrary library_;
};

// A new, open knowledge base in its own test folder.
struct KnowledgeBaseFixture {
    explicit KnowledgeBaseFixture(const std::string& name);

    ComPtr<IZemKMFolder> Folder(const char16_t* location);
    ComPtr<IZemKMDocument> NewDocument(const char16_t* title);

    KmCore core;
    std::string folder;  // the knowledge-base folder, no trailing "/"
    std::string index;   // folder + "/index.db"
    ComPtr<IZemKMDatabase> db;
};

// Stores the document's waiting changes now (IZemKMDocumentCommit); its status.
HRESULT Commit(IZemKMDocument* document);

bool Exists(const std::string& path);
// UTF-16LE with the byte-order mark FF FE, as the program writes its HTML files.
std::string Utf16LeWithMark(const std::string& utf8);
// An OLE automation date of a local calendar time.
double OleDate(int year, int month, int day, int hour, int minute, int second);
// `PRAGMA integrity_check` of a SQLite file.
std::string IntegrityCheck(const std::string& path);

}  // namespace zem::test
