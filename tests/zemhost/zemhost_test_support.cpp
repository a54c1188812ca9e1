#include "zemhost/zemhost_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/sqlite_file.h"
#include "support/test_home.h"

namespace zem::test {

HostLibrary::HostLibrary(const std::string& fileName)
    : handle_(LoadLibrary(FromUtf8(BinDir() + "/" + fileName))) {
    EXPECT_NE(handle_, nullptr) << fileName << ": " << ToUtf8(LastLibraryError());
}

HostLibrary::~HostLibrary() {
    if (handle_)
        FreeLibrary(handle_);
}

ComPtr<IZemKMSQLiteDatabase> KmCore::SQLite() {
    ComPtr<IZemKMSQLiteDatabase> db;
    auto make = library_.Entry<ZemKMCreateSQLiteDatabaseFunc>("ZemKMCreateSQLiteDatabase");
    if (make)
        make(db.Out());
    return db;
}

KnowledgeBaseFixture::KnowledgeBaseFixture(const std::string& name)
    : folder(MakeTestFolder(name)), index(folder + "/index.db"), db(core.Database()) {
    ScopedBstr error;
    const HRESULT opened =
        db ? db->OpenEx(FromUtf8(index).c_str(), kOpenExFixedText, 0, error.Out()) : E_FAIL;
    EXPECT_EQ(opened, S_OK) << ToUtf8(error.ToText());
}

ComPtr<IZemKMFolder> KnowledgeBaseFixture::Folder(const char16_t* location) {
    IUnknown* folder = nullptr;
    db->GetFolderByLocation(location, VARIANT_TRUE, &folder);
    return As<IZemKMFolder>(folder);
}

ComPtr<IZemKMDocument> KnowledgeBaseFixture::NewDocument(const char16_t* title) {
    IUnknown* document = nullptr;
    auto folder = Folder(u"/tests/");
    if (folder)
        folder->CreateDocument(title, u"", &document);
    return As<IZemKMDocument>(document);
}

HRESULT Commit(IZemKMDocument* document) {
    auto commit = ComPtr<IZemKMDocumentCommit>::QueryFrom(document);
    return commit ? commit->CommitChanges() : E_NOINTERFACE;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string Utf16LeWithMark(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : FromUtf8(utf8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

double OleDate(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    const auto days = sys_days(std::chrono::year(year) / month / day) -
                      sys_days(std::chrono::year(1899) / 12 / 30);
    return days.count() + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string IntegrityCheck(const std::string& path) {
    SqliteFile file(path, SqliteFile::Mode::kReadOnly);
    return file.Value("PRAGMA integrity_check");
}

}  // namespace zem::test
