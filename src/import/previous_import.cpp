#include "import/previous_import.h"

#include <unordered_set>

#include "util/paths.h"

namespace zem {

namespace {

// The column's text in the current row; empty when it cannot be read. The rows are the
// engine's own, so there is nothing to tell the user about a failed read.
Text FieldText(IZemKMSQLiteRecordset* rows, int32_t column) {
    ScopedBstr text;
    if (Failed(rows->GetFieldText(column, text.Out())))
        return {};
    return text.ToText();
}

// Calls `visit` with each row of a result set the engine handed out.
template <class Visit>
void ForEachRow(IUnknown* object, Visit visit) {
    auto rows = ComPtr<IZemKMSQLiteRecordset>::QueryFrom(object);
    for (int32_t eof = 1; rows && Succeeded(rows->IsEOF(&eof)) && eof == 0;) {
        visit(rows.Get());
        if (rows->MoveNext() != S_OK)
            break;
    }
}

}  // namespace

Text YNoteAccountName(const Text& databasePath) {
    Text name = GetFileNamePart(databasePath);
    if (name.size() > 3 && EqualsIgnoreCase(TextView(name).substr(name.size() - 3), u".db"))
        name.resize(name.size() - 3);
    return name;
}

PreviousImport::PreviousImport(IZemKMDatabase* host, Text account)
    : sources_(ComPtr<IZemKMDocumentSources>::QueryFrom(host)), account_(std::move(account)) {
    if (!sources_)
        return;
    ComPtr<IUnknown> rows;
    if (Failed(sources_->GetSourceRecords(kYNoteSourceName, account_.c_str(), rows.Out())))
        return;
    ForEachRow(rows.Get(), [&](IZemKMSQLiteRecordset* row) {
        Record& record = records_[FieldText(row, 0)];
        const Text version = FieldText(row, 1);
        record.finished = !version.empty();
        record.dateUpdated = TextToInt64(version);
        record.documentChanged = FieldText(row, 2) == u"1";
    });
}

NoteFate PreviousImport::Decide(const Text& noteId, int64_t dateUpdated) {
    const auto found = records_.find(noteId);
    if (found == records_.end())
        return NoteFate::kNew;
    Record& record = found->second;
    record.matched = true;
    if (everyNoteNew_)
        return NoteFate::kNew;
    if (!record.finished)
        return NoteFate::kChanged;
    if (record.dateUpdated == dateUpdated)
        return NoteFate::kUnchanged;
    return record.documentChanged ? NoteFate::kConflict : NoteFate::kChanged;
}

int32_t PreviousImport::UnmatchedCount() const {
    int32_t count = 0;
    for (const auto& [noteId, record] : records_)
        count += record.matched ? 0 : 1;
    return count;
}

ComPtr<IZemKMDocument> PreviousImport::CreateDocument(IZemKMFolder* folder, const Text& title,
                                                      const Text& noteId) {
    ComPtr<IUnknown> document;
    if (sources_)
        sources_->CreateSourceDocument(folder, title.c_str(), kYNoteSourceName, account_.c_str(),
                                       noteId.c_str(), document.Out());
    else
        folder->CreateDocument(title.c_str(), u"", document.Out());
    return ComPtr<IZemKMDocument>::QueryFrom(document.Get());
}

ComPtr<IZemKMDocument> PreviousImport::TakeDocument(const Text& noteId, const Text& title,
                                                    const Text& location) {
    ComPtr<IUnknown> found;
    if (!sources_ || sources_->FindSourceDocument(kYNoteSourceName, account_.c_str(),
                                                  noteId.c_str(), found.Out()) != S_OK)
        return {};
    auto document = ComPtr<IZemKMDocument>::QueryFrom(found.Get());
    if (!document)
        return {};
    sources_->SetDocumentTitle(document.Get(), title.c_str());
    sources_->SetDocumentLocation(document.Get(), location.c_str());
    return document;
}

void PreviousImport::Finish(IZemKMDocument* document, const Text& noteId, int64_t dateUpdated) {
    if (!sources_ || sources_->SetSourceVersion(document, dateUpdated) != S_OK)
        return;
    // A second row of the same note later in the walk then compares with this import.
    Record& record = records_[noteId];
    record.finished = true;
    record.dateUpdated = dateUpdated;
    record.documentChanged = false;
    record.matched = true;
}

bool PreviousImport::ReplaceAttachment(IZemKMDocument* document, const Text& path) {
    VARIANT_BOOL replaced = VARIANT_FALSE;
    return sources_ &&
           sources_->ReplaceAttachmentFromFile(document, path.c_str(), &replaced) == S_OK;
}

int32_t PreviousImport::CountOtherAttachments(IZemKMDocument* document, const TextList& names) {
    ComPtr<IUnknown> rows;
    if (!sources_ || Failed(sources_->GetAttachmentNames(document, rows.Out())))
        return 0;
    const std::unordered_set<Text> current(names.begin(), names.end());
    int32_t others = 0;
    ForEachRow(rows.Get(), [&](IZemKMSQLiteRecordset* row) {
        others += current.contains(FieldText(row, 0)) ? 0 : 1;
    });
    return others;
}

}  // namespace zem
