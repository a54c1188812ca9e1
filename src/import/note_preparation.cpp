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

NotePreparer::NotePreparer(const Account& account) : account_(account) {}

NotePreparer::~NotePreparer() {
    Stop();
}

void NotePreparer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    roomAgain_.notify_one();
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
        if (account_.noteTemplate->Whole() && !account_.files->KeepsFiles() && !broken_) {
            reader_ = std::thread([this] { ReadAhead(); });
        } else {
            auto note = std::make_unique<PreparedNote>();
            if (!ReadRow(*note))
                return nullptr;
            std::lock_guard lock(mutex_);
            ++ahead_;
            return note;
        }
    }
    std::unique_lock lock(mutex_);
    if (queue_.empty() && !ended_) {
        importerWaits_ = true;
        ready_.wait(lock, [this] { return !queue_.empty() || ended_; });
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
    std::lock_guard lock(accountMutex_);
    PrepareContent(note);
    std::lock_guard counts(mutex_);
    bytesAhead_ += note.bytes;
}

void NotePreparer::Done(PreparedNote& note) {
    const bool readerRuns = reader_.joinable();
    if (!readerRuns)
        account_.files->GiveUpFiles(note.written, note.folder);
    std::lock_guard lock(mutex_);
    if (readerRuns)
        givenUp_.emplace_back(std::move(note.written), note.folder);
    --ahead_;
    bytesAhead_ -= note.bytes;
    // The reader is woken once half its room is free, not for every note.
    if (readerWaits_ && ahead_ <= kNotesAhead / 2 && bytesAhead_ <= kBytesAhead / 2)
        roomAgain_.notify_one();
}

void NotePreparer::ReadAhead() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto hasRoom = [this] {
            return ahead_ < kNotesAhead && (ahead_ == 0 || bytesAhead_ < kBytesAhead);
        };
        if (!stopping_ && !hasRoom()) {
            readerWaits_ = true;
            roomAgain_.wait(lock, [&] { return stopping_ || hasRoom(); });
            readerWaits_ = false;
        }
        if (stopping_)
            break;
        ++ahead_;
        std::vector<std::pair<TextList, Text>> givenUp;
        givenUp.swap(givenUp_);
        lock.unlock();
        // Before the next note, whose slot may be one of theirs.
        for (auto& [files, folder] : givenUp)
            account_.files->GiveUpFiles(files, folder);
        auto note = std::make_unique<PreparedNote>();
        bool read;
        {
            std::lock_guard account(accountMutex_);
            read = ReadRow(*note);
            if (read && (!account_.previous ||
                         account_.previous->MayImport(note->row.noteId, note->row.version)))
                PrepareContent(*note);
        }
        lock.lock();
        if (!read) {
            --ahead_;
            ended_ = true;
        } else {
            bytesAhead_ += note->bytes;
            queue_.push_back(std::move(note));
            ended_ = broken_;
        }
        if (importerWaits_)
            ready_.notify_one();
        if (ended_)
            break;
    }
}

}  // namespace zem
