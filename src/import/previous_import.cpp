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

// A row of the records (source id, version, document changed since).
template <class Version>
void ReadRecordRow(IZemKMSQLiteRecordset* row, Version& record) {
    const Text version = FieldText(row, 1);
    record.finished = !version.empty();
    record.dateUpdated = TextToInt64(version);
    record.documentChanged = FieldText(row, 2) == u"1";
}

}  // namespace

Text YNoteAccountName(const Text& databasePath) {
    Text name = GetFileNamePart(databasePath);
    if (name.size() > 3 && EqualsIgnoreCase(TextView(name).substr(name.size() - 3), u".db"))
        name.resize(name.size() - 3);
    return name;
}

PreviousImport::PreviousImport(IZemKMDatabase* host, Text account)
    : sources_(ComPtr<IZemKMDocumentSources>::QueryFrom(host)), account_(std::move(account)) {}

HRESULT PreviousImport::Load() {
    records_.clear();
    if (!sources_)
        return S_OK;
    ComPtr<IUnknown> rows;
    const HRESULT status =
        sources_->GetSourceRecords(kYNoteSourceName, account_.c_str(), rows.Out());
    if (status != S_OK)
        return Failed(status) ? status : E_FAIL;
    ForEachRow(rows.Get(), [&](IZemKMSQLiteRecordset* row) {
        Record& record = records_[FieldText(row, 0)];
        ReadRecordRow(row, record.now);
        record.loaded = record.now;
    });
    return S_OK;
}

HRESULT PreviousImport::Decide(const Text& noteId, int64_t dateUpdated, NoteFate& fate) {
    fate = NoteFate::kNew;
    if (const auto found = records_.find(noteId); found != records_.end()) {
        Record& record = found->second;
        record.matched = true;
        if (!everyNoteNew_ || record.finishedHere)
            fate = FateOf(record.now, dateUpdated);
        return S_OK;
    }
    if (!finishedHere_.MayContain(noteId))
        return S_OK;
    Record record;
    bool found = false;
    if (const HRESULT status = ReadRecord(noteId, record, found); status != S_OK)
        return status;
    if (found)
        fate = FateOf(record.now, dateUpdated);
    return S_OK;
}

bool PreviousImport::MayImport(const Text& noteId, int64_t dateUpdated) const {
    if (everyNoteNew_)
        return true;
    const auto found = records_.find(noteId);
    if (found == records_.end())
        return true;
    const NoteFate fate = FateOf(found->second.loaded, dateUpdated);
    return fate != NoteFate::kUnchanged && fate != NoteFate::kConflict;
}

NoteFate PreviousImport::FateOf(const Version& version, int64_t dateUpdated) {
    if (!version.finished)
        return NoteFate::kChanged;
    if (version.dateUpdated == dateUpdated)
        return NoteFate::kUnchanged;
    return version.documentChanged ? NoteFate::kConflict : NoteFate::kChanged;
}

HRESULT PreviousImport::ReadRecord(const Text& noteId, Record& record, bool& found) {
    found = false;
    ComPtr<IUnknown> rows;
    const HRESULT status =
        sources_->GetSourceRecord(kYNoteSourceName, account_.c_str(), noteId.c_str(), rows.Out());
    if (status != S_OK)
        return Failed(status) ? status : E_FAIL;
    ForEachRow(rows.Get(), [&](IZemKMSQLiteRecordset* row) {
        ReadRecordRow(row, record.now);
        found = true;
    });
    return S_OK;
}

int32_t PreviousImport::UnmatchedCount() const {
    int32_t count = 0;
    for (const auto& [noteId, record] : records_)
        count += record.matched ? 0 : 1;
    return count;
}

HRESULT PreviousImport::CreateDocument(IZemKMFolder* folder, const Text& title, const Text& noteId,
                                       ComPtr<IZemKMDocument>& document) {
    ComPtr<IUnknown> made;
    const HRESULT status =
        sources_ ? sources_->CreateSourceDocument(folder, title.c_str(), kYNoteSourceName,
                                                  account_.c_str(), noteId.c_str(), made.Out())
                 : folder->CreateDocument(title.c_str(), u"", made.Out());
    document = ComPtr<IZemKMDocument>::QueryFrom(made.Get());
    return status;
}

HRESULT PreviousImport::TakeDocument(const Text& noteId, const Text& title, const Text& location,
                                     ComPtr<IZemKMDocument>& document) {
    document.Reset();
    if (!sources_)
        return S_OK;
    ComPtr<IUnknown> found;
    HRESULT status = sources_->FindSourceDocument(kYNoteSourceName, account_.c_str(),
                                                  noteId.c_str(), found.Out());
    if (status != S_OK)
        return status == S_FALSE ? S_OK : status;
    auto candidate = ComPtr<IZemKMDocument>::QueryFrom(found.Get());
    if (!candidate)
        return S_OK;
    // The location first: a folder it makes is stored at once, with whatever waits, which
    // must not be half of this document's update.
    status = sources_->SetDocumentLocation(candidate.Get(), location.c_str());
    if (status == S_OK)
        status = sources_->SetDocumentTitle(candidate.Get(), title.c_str());
    if (status != S_OK)
        return status;
    document = candidate;
    return S_OK;
}

HRESULT PreviousImport::Finish(IZemKMDocument* document, const Text& noteId, int64_t dateUpdated) {
    if (!sources_)
        return S_OK;
    if (const HRESULT status = sources_->SetSourceVersion(document, dateUpdated); status != S_OK)
        return status;
    // A second row of the same note later in the walk then compares with this import.
    const auto found = records_.find(noteId);
    if (found == records_.end()) {
        finishedHere_.Add(noteId);
        return S_OK;
    }
    Record& record = found->second;
    record.now = {true, dateUpdated, false};
    record.matched = true;
    record.finishedHere = true;
    return S_OK;
}

HRESULT PreviousImport::ReplaceAttachment(IZemKMDocument* document, const Text& path, bool& had) {
    had = false;
    if (!sources_)
        return S_OK;
    VARIANT_BOOL replaced = VARIANT_FALSE;
    const HRESULT status = sources_->ReplaceAttachmentFromFile(document, path.c_str(), &replaced);
    // An attachment whose bytes could not be replaced is still the note's: adding the file
    // beside it would give the document two of that name.
    had = status != S_FALSE;
    return Failed(status) ? status : S_OK;
}

HRESULT PreviousImport::CountOtherAttachments(IZemKMDocument* document, const TextList& names,
                                              int32_t& others) {
    others = 0;
    if (!sources_)
        return S_OK;
    ComPtr<IUnknown> rows;
    if (const HRESULT status = sources_->GetAttachmentNames(document, rows.Out()); status != S_OK)
        return status;
    const std::unordered_set<Text> current(names.begin(), names.end());
    ForEachRow(rows.Get(), [&](IZemKMSQLiteRecordset* row) {
        others += current.contains(FieldText(row, 0)) ? 0 : 1;
    });
    return S_OK;
}

}  // namespace zem
