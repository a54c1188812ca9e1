#include <string>
#include <vector>

#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "storage_dates.h"

namespace zem::kmcore {

namespace {

bool FolderExists(KnowledgeBase& kb, const Text& location) {
    Statement find(kb, "SELECT 1 FROM folder WHERE location = ?1");
    find.Bind(1, location);
    return find.NextRow();
}

// Calls `visit` with every parent "/a/", "/a/b/" ... up to the folder itself, while it
// returns true.
template <class Visit>
bool ForEachLevel(const Text& location, Visit visit) {
    for (size_t slash = location.find(u'/', 1); slash != Text::npos;
         slash = location.find(u'/', slash + 1)) {
        if (!visit(location.substr(0, slash + 1)))
            return false;
    }
    return true;
}

class FolderObject : public ComObject<IZemKMFolder> {
  public:
    FolderObject(std::shared_ptr<KnowledgeBase> kb, Text location)
        : kb_(std::move(kb)), location_(std::move(location)) {}

    // `name` is not used: documents are known by their GUID and titled by `title`. The row
    // waits with the document's other changes; its folder is made at once, and its page is
    // the one UpdateFromHtmlFile writes there or, when none was written, an empty one made
    // as the row is stored: no stored document is ever without its page. A page written
    // into a new folder of its own replaces nothing a killed process could have spoilt.
    HRESULT ZEM_STDMETHODCALLTYPE CreateDocument(const char16_t* title, const char16_t* /*name*/,
                                                 IUnknown** document) override {
        if (!document)
            return E_POINTER;
        *document = nullptr;
        KnowledgeBase::Call call(*kb_);
        const Text guid = NewGuidText();
        const Text folder = kb_->DocumentFolder(guid);
        if (!MakeNewFolder(folder)) {
            RemoveObjectFolder(folder);
            return E_FAIL;
        }
        const std::string now = CurrentStorageTime();
        if (const HRESULT status = kb_->CreateDocumentRow(
                {guid, ArgText(title), location_, std::nullopt, now, now, now}, folder);
            status != S_OK) {
            RemoveObjectFolder(folder);
            return status;
        }
        *document = NewDocumentObject(kb_, guid);
        return S_OK;
    }

  private:
    std::shared_ptr<KnowledgeBase> kb_;
    Text location_;
};

}  // namespace

IUnknown* NewFolderObject(std::shared_ptr<KnowledgeBase> kb, Text location) {
    return (new FolderObject(std::move(kb), std::move(location)))->DetachAsUnknown();
}

bool NormalizeLocation(const Text& location, Text& normalized) {
    normalized = u"/";
    size_t start = 0;
    while (start <= location.size()) {
        size_t slash = location.find(u'/', start);
        if (slash == Text::npos)
            slash = location.size();
        if (slash > start)
            normalized += location.substr(start, slash - start) + u"/";
        start = slash + 1;
    }
    return normalized.size() > 1;
}

// Documents' waiting changes never make folders, so a folder that is there is found without
// storing them; making one stores them first, as any other change does.
HRESULT EnsureFolder(KnowledgeBase& kb, const Text& location, bool create)
    ZEM_REQUIRES(kb.CallLock()) {
    if (!create)
        return FolderExists(kb, location) ? S_OK : S_FALSE;
    // Most calls name a folder that is there already (one per imported note): reading is
    // enough then, and no write transaction is taken. Every level is looked up by one
    // statement, one read of the database.
    std::vector<Text> levels;
    ForEachLevel(location, [&](const Text& level) {
        levels.push_back(level);
        return true;
    });
    // (An IN list would build a temporary index of its values at every call.)
    std::string sql = "SELECT 1";
    for (size_t i = 1; i <= levels.size(); ++i)
        sql += " AND EXISTS(SELECT 1 FROM folder WHERE location = ?" + std::to_string(i) + ")";
    Statement find(kb, sql);
    for (size_t i = 0; i < levels.size(); ++i)
        find.Bind(static_cast<int>(i + 1), levels[i]);
    if (find.NextRow() && find.ColumnText(0) == u"1")
        return S_OK;
    return kb.InTransaction([&] {
        return ForEachLevel(location, [&](const Text& level) {
            Statement insert(kb, "INSERT OR IGNORE INTO folder(location) VALUES(?1)");
            return insert.Bind(1, level).Run();
        });
    });
}

}  // namespace zem::kmcore
