// A second process for the knowledge-base tests: it loads ZemKMCore.dll on its own and
// reads a knowledge base another process wrote, writes documents until killed, or stores one
// document beside another writer.
//   zemhost_peer read      <ZemKMCore.dll> <index.db>          prints what it found
//   zemhost_peer write     <ZemKMCore.dll> <index.db> <folder>  prints "written N" per document
//   zemhost_peer write-one <ZemKMCore.dll> <index.db>          prints "stored" once stored
#include <cstdio>
#include <string>

#include "host/zem_km_interfaces.h"
#include "platform/dynamic_library.h"
#include "platform/file_stream.h"

namespace zem {
namespace {

template <class T>
ComPtr<T> As(IUnknown* object) {
    auto owned = ComPtr<IUnknown>::Attach(object);
    return ComPtr<T>::QueryFrom(owned.Get());
}

ComPtr<IZemKMDatabase> OpenDatabase(LibraryHandle library, const std::string& index) {
    auto get =
        reinterpret_cast<DllGetClassObjectFunc>(GetProcAddress(library, "DllGetClassObject"));
    ComPtr<IClassFactory> factory;
    ComPtr<IZemKMDatabase> db;
    if (!get || get(CLSID_ZemKMDatabase, IClassFactory::kIID, factory.OutVoid()) != S_OK)
        return db;
    factory->CreateInstance(nullptr, IZemKMDatabase::kIID, db.OutVoid());
    if (db && db->OpenEx(FromUtf8(index).c_str(), kOpenExFixedText, 0, nullptr) != S_OK)
        db.Reset();
    return db;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FileStream file;
    if (file.Open(FromUtf8(path), "wb"))
        file.Write(bytes.data(), bytes.size());
}

int Read(LibraryHandle library, const std::string& index) {
    auto db = OpenDatabase(library, index);
    if (!db)
        return 2;
    IUnknown* raw = nullptr;
    const HRESULT tag = db->FindTagByName(u"shared tag", nullptr, u"", &raw);
    As<IUnknown>(raw);
    const HRESULT folder = db->GetFolderByLocation(u"/peer/a/b", VARIANT_FALSE, &raw);
    As<IUnknown>(raw);
    // The peer also reads the index through the read-only SQLite object.
    auto make = reinterpret_cast<ZemKMCreateSQLiteDatabaseFunc>(
        GetProcAddress(library, "ZemKMCreateSQLiteDatabase"));
    ComPtr<IZemKMSQLiteDatabase> sqlite;
    if (!make || make(sqlite.Out()) != S_OK ||
        sqlite->OpenDatabase(FromUtf8(index).c_str()) != S_OK)
        return 3;
    sqlite->ExecuteQuery(u"select title, url from document", 0, &raw);
    auto rows = As<IZemKMSQLiteRecordset>(raw);
    std::printf("tag=%d folder=%d", tag, folder);
    for (int32_t eof = 0; rows && rows->IsEOF(&eof) == S_OK && !eof; rows->MoveNext()) {
        ScopedBstr title, url;
        rows->GetFieldText(0, title.Out());
        rows->GetFieldText(1, url.Out());
        std::printf(" document=%s,%s", ToUtf8(title.ToText()).c_str(),
                    ToUtf8(url.ToText()).c_str());
    }
    std::printf("\n");
    return 0;
}

int Write(LibraryHandle library, const std::string& index, const std::string& folder) {
    auto db = OpenDatabase(library, index);
    if (!db)
        return 2;
    WriteFile(folder + "/pic.png", std::string(20000, 'p'));
    WriteFile(folder + "/page.htm", "<html><head></head><body><img src=\"pic.png\"></body></html>");
    WriteFile(folder + "/attached.bin", std::string(300000, 'a'));
    const Text page = FromUtf8(folder + "/page.htm"), attached = FromUtf8(folder + "/attached.bin");
    for (int n = 1;; ++n) {
        {
            IUnknown* raw = nullptr;
            if (db->GetFolderByLocation(FromUtf8("/crash/" + std::to_string(n % 7)).c_str(),
                                        VARIANT_TRUE, &raw) != S_OK)
                return 4;
            auto target = As<IZemKMFolder>(raw);
            if (target->CreateDocument(u"note", u"", &raw) != S_OK)
                return 5;
            auto document = As<IZemKMDocument>(raw);
            document->SetDocumentUrl(u"https://example.com/");
            if (document->UpdateFromHtmlFile(page.c_str(), page.c_str(),
                                             kUpdateFromHtmlFileFlags) != S_OK)
                return 6;
            document->SetTagsText(FromUtf8("tag" + std::to_string(n % 5) + ";common").c_str(), u"");
            if (document->AddAttachmentFromFile(attached.c_str(), &raw) != S_OK)
                return 7;
            As<IZemKMAttachment>(raw)->SetAttachmentText(u"attached");
            document->SetDateCreated(45000.5);
        }
        // Said once the document is released: from here on it must be stored whole.
        std::printf("written %d\n", n);
        std::fflush(stdout);
    }
}

// Stores one document, as a second program writing to the knowledge base would.
int WriteOne(LibraryHandle library, const std::string& index) {
    auto db = OpenDatabase(library, index);
    if (!db)
        return 2;
    IUnknown* raw = nullptr;
    if (db->GetFolderByLocation(u"/second/", VARIANT_TRUE, &raw) != S_OK)
        return 4;
    auto folder = As<IZemKMFolder>(raw);
    if (folder->CreateDocument(u"second writer", u"", &raw) != S_OK)
        return 5;
    auto document = As<IZemKMDocument>(raw);
    if (document->SetTagsText(u"second", u"") != S_OK)
        return 6;
    auto commit = ComPtr<IZemKMDocumentCommit>::QueryFrom(document.Get());
    if (!commit || commit->CommitChanges() != S_OK)
        return 7;
    std::printf("stored\n");
    return 0;
}

}  // namespace
}  // namespace zem

int main(int argc, char** argv) {
    if (argc < 4)
        return 1;
    zem::LibraryHandle library = zem::LoadLibrary(zem::FromUtf8(argv[2]));
    if (!library)
        return 1;
    const std::string command = argv[1];
    if (command == "read")
        return zem::Read(library, argv[3]);
    if (command == "write" && argc == 5)
        return zem::Write(library, argv[3], argv[4]);
    if (command == "write-one")
        return zem::WriteOne(library, argv[3]);
    return 1;
}
