#include "import/note_preparation.h"

#include "import/previous_import.h"
#include "import/tag_mapping.h"
#include "import/working_files.h"
#include "platform/date_time.h"

namespace zem {

namespace {

constexpr char16_t kUntitledNote[] = u"无标题笔记";

// Columns of the walk's current row, with an empty title and an unset creation time
// replaced.
NoteRow ReadNoteRow(IZemKMSQLiteRecordset* notes) {
    NoteRow row;
    row.noteId = ReadFieldText(notes, 0);
    row.title = ReadFieldText(notes, 1);
    row.notebookId = ReadFieldText(notes, 2);
    row.tags = ReadFieldText(notes, 3);
    row.created = ReadFieldInt64(notes, 4);
    row.updated = row.version = ReadFieldInt64(notes, 5);
    row.sourceUrl = ReadFieldText(notes, 6);
    if (row.title.empty())
        row.title = kUntitledNote;
    if (row.created == 0)
        row.created = row.updated = CurrentUnixTime();
    return row;
}

}  // namespace

NotePreparer::NotePreparer(const Account& account) : account_(account), files_(account.files) {}

NotePreparer::~NotePreparer() {
    Stop();
}

void NotePreparer::Stop() {
    {
        MutexLock lock(mutex_);
        stopping_ = true;
    }
    roomAgain_.NotifyOne();
    if (reader_.joinable())
        reader_.join();
}

bool NotePreparer::ReadRow(PreparedNote& note) {
    if (broken_ || !HasCurrentRow(account_.notes))
        return false;
    {
        DeferredReports::Capture capture(note.rowReports);
        note.row = ReadNoteRow(account_.notes);
    }
    // A failed step (a damaged page) ends the walk rather than leave it on the same row.
    if (Failed(account_.notes->MoveNext()))
        broken_ = true;
    note.folder = account_.files->NoteSlotFolder(nextSlot_++ % (kNotesAhead + 1));
    return true;
}

void NotePreparer::PrepareContent(PreparedNote& note) {
    note.prepared = true;
    IZemKMSQLiteDatabase* database = account_.database;
    ResourceStore& resources = *account_.resources;
    resources.TakeLosses();  // only this note's
    if (!note.row.tags.empty()) {
        DeferredReports::Capture capture(note.tagReports);
        note.tagsRead =
            LookupTagNames(note.row.tags, database, note.tagNames, account_.rowOrder.tagNames);
        for (Text& name : note.tagNames) {
            name = TrimTextStart(TrimTextEnd(name));
            CleanTagName(name);
        }
    }
    {
        DeferredReports::Capture capture(note.pageReports);
        note.htmlFile =
            BuildNoteHtmlFile(database, note.row.noteId, note.folder, resources,
                              *account_.noteTemplate, &note.written, account_.rowOrder.resources);
        note.pageLosses = resources.TakeLosses();
    }
    if (!note.htmlFile.empty()) {
        DeferredReports::Capture capture(note.notebookReports);
        note.location = kYNoteRootFolder;
        // A notebook table that cannot be read fails for every note alike: the first failure
        // is shown, and the notes go where a note whose notebook row is missing goes, rather
        // than being lost or each showing the failure again.
        if (account_.notebooksReadable &&
            !AppendNotebookName(database, note.row.notebookId, note.location)) {
            note.location = kYNoteRootFolder;
            note.notebookLookupFailed = true;
            account_.notebooksReadable = false;
        }
    }
    if (!note.htmlFile.empty()) {
        DeferredReports::Capture capture(note.attachmentReports);
        note.attachmentsRead =
            CollectAttachments(database, note.row.noteId, note.folder, note.attachments, resources,
                               account_.rowOrder.resources);
        note.attachmentLosses = resources.TakeLosses();
        for (const ResourceEntry& entry : note.attachments)
            note.written.push_back(note.folder + ToFileSystemPath(entry.fileName));
    }
    note.bytes = resources.TakeBytesCopied();
}

std::unique_ptr<PreparedNote> NotePreparer::Next() {
    if (!reader_.joinable()) {
        // The template is made through the host by the first note prepared: until then
        // the importing thread prepares its notes itself. Files kept for inspection share
        // one folder, so their notes are prepared one at a time.
        MutexLock account(accountMutex_);
        if (account_.noteTemplate->Whole() && !account_.files->KeepsFiles() && !broken_) {
            account.Unlock();
            reader_ = std::thread([this] { ReadAhead(); });
        } else {
            auto note = std::make_unique<PreparedNote>();
            if (!ReadRow(*note))
                return nullptr;
            MutexLock lock(mutex_);
            ++ahead_;
            return note;
        }
    }
    MutexLock lock(mutex_);
    if (queue_.empty() && !ended_) {
        importerWaits_ = true;
        while (queue_.empty() && !ended_)
            ready_.Wait(mutex_);
        importerWaits_ = false;
    }
    if (queue_.empty())
        return nullptr;
    std::unique_ptr<PreparedNote> note = std::move(queue_.front());
    queue_.pop_front();
    return note;
}

void NotePreparer::Prepare(PreparedNote& note) {
    if (note.prepared)
        return;
    MutexLock account(accountMutex_);
    PrepareContent(note);
    MutexLock counts(mutex_);
    bytesAhead_ += note.bytes;
}

void NotePreparer::Done(PreparedNote& note) {
    const bool readerRuns = reader_.joinable();
    if (!readerRuns)
        files_->GiveUpFiles(note.written, note.folder);
    MutexLock lock(mutex_);
    if (readerRuns)
        givenUp_.emplace_back(std::move(note.written), note.folder);
    --ahead_;
    bytesAhead_ -= note.bytes;
    // The reader is woken once half its room is free, not for every note.
    if (readerWaits_ && ahead_ <= kNotesAhead / 2 && bytesAhead_ <= kBytesAhead / 2)
        roomAgain_.NotifyOne();
}

bool NotePreparer::HasRoom() const {
    return ahead_ < kNotesAhead && (ahead_ == 0 || bytesAhead_ < kBytesAhead);
}

void NotePreparer::ReadAhead() {
    MutexLock lock(mutex_);
    for (;;) {
        if (!stopping_ && !HasRoom()) {
            readerWaits_ = true;
            while (!stopping_ && !HasRoom())
                roomAgain_.Wait(mutex_);
            readerWaits_ = false;
        }
        if (stopping_)
            break;
        ++ahead_;
        std::vector<std::pair<TextList, Text>> givenUp;
        givenUp.swap(givenUp_);
        lock.Unlock();
        // Before the next note, whose slot may be one of theirs.
        for (auto& [files, folder] : givenUp)
            files_->GiveUpFiles(files, folder);
        auto note = std::make_unique<PreparedNote>();
        bool read;
        {
            MutexLock account(accountMutex_);
            read = ReadRow(*note);
            if (read && (!account_.previous ||
                         account_.previous->MayImport(note->row.noteId, note->row.version)))
                PrepareContent(*note);
        }
        lock.Lock();
        if (!read) {
            --ahead_;
            ended_ = true;
        } else {
            bytesAhead_ += note->bytes;
            queue_.push_back(std::move(note));
            ended_ = broken_;
        }
        if (importerWaits_)
            ready_.NotifyOne();
        if (ended_)
            break;
    }
}

}  // namespace zem
