#include "import/import_driver.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include "config/command_line.h"
#include "config/global.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "host/data_store.h"
#include "import/account_copy.h"
#include "import/account_hold.h"
#include "import/knowledge_base_wait.h"
#include "import/note_body.h"
#include "import/note_preparation.h"
#include "import/note_resources.h"
#include "import/previous_import.h"
#include "import/run_summary.h"
#include "import/tag_mapping.h"
#include "import/working_copy_indexes.h"
#include "import/working_files.h"
#include "import/ynote_reader.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "util/paths.h"

namespace zem {

namespace {

constexpr char16_t kCopyFailedText[] = u"无法拷贝数据库文件!";
constexpr char16_t kKeptOutReason[] = u"the knowledge base was in use by another program";

// One press of OK: owns every object it takes and releases them, in reverse order of
// declaration, when it ends; the working files go last, after the database is released.
class ImportRun {
  public:
    explicit ImportRun(ImportDialogSurface& dialog) : dialog_(dialog), wait_(dialog) {}
    ImportOutcome Run();

  private:
    bool Prepare();
    void OpenResourceStore(const Text& sourcePath);
    bool ChooseNotesToImport(const Text& sourcePath);
    // The next note of the walk, through the steps below; each step but the last is false
    // when the note ends with it (passed over, skipped, or kept out by another program).
    void ImportNote();
    // Shows the note in the status line and decides whether it is new, changed, unchanged or
    // in conflict; only a new or changed note goes on.
    bool DecideFate(PreparedNote& note, NoteFate& fate);
    // Has the preparer build the note's page and copy its files.
    bool BuildContent(PreparedNote& note);
    // The note's document in its notebook's folder: the recorded one of a changed note
    // (`updating`), else a new one.
    bool PlaceDocument(const PreparedNote& note, NoteFate fate, ComPtr<IZemKMDocument>& document,
                       bool& updating);
    // The source address and the page; from here on the note stands in the knowledge base.
    bool StorePage(PreparedNote& note, IZemKMDocument* document, bool updating);
    bool SetTags(const PreparedNote& note, IZemKMDocument* document, bool updating);
    // Records the note's version with its document and leaves the document to be stored with
    // those of the notes that follow.
    void HandOver(PreparedNote& note, ComPtr<IZemKMDocument>& document, bool updating);
    // Counts the notes whose documents wait to be stored, once stored; `wait`: while another
    // program holds the knowledge base (else such a note is skipped at once).
    void SettleStoringNotes(bool wait = true);
    // Moves the progress bar to `position` unless it stands further already: notes are
    // counted after later notes that were left unchanged.
    void AdvanceProgress(int32_t position) {
        if (position > progress_)
            dialog_.SetProgressPosition(progress_ = position);
    }
    // The host call, tried again while another program holds the knowledge base; the status
    // line shows the note's title again after a wait.
    HRESULT Host(const std::function<HRESULT()>& call) { return wait_.Call(call, title_); }
    // True when the call's status says another program kept the knowledge base; the note is
    // then skipped with that reason, and what its document still waited to store dropped.
    bool KeptOut(HRESULT status, IZemKMDocument* document = nullptr);
    // Both false when the note was skipped because another program kept the knowledge base;
    // what the host refused otherwise is recorded as the note's loss.
    bool AddAttachments(IZemKMDocument* document, PreparedNote& note, bool updating);
    bool SetDates(IZemKMDocument* document, const NoteRow& row);
    // Ends the reading ahead, then closes the account's database.
    void CloseAccount();
    ImportOutcome Finish(RunEnd end, ImportOutcome outcome);

    ImportDialogSurface& dialog_;
    KnowledgeBaseWait wait_;
    Text title_;  // of the note being imported
    std::unique_ptr<ImportWorkingFiles> files_;
    ImportRunSummary summary_;
    ComPtr<IZemKMDatabase> host_;
    // Released after everything declared below it: once the run's documents are stored.
    ImportAccountHold accountHold_;
    std::unique_ptr<PreviousImport> previous_;
    bool onlyChanges_ = false;
    ComPtr<IZemKMSQLiteDatabase> sqlite_;
    TagMap tags_;
    ComPtr<IZemKMSQLiteRecordset> notes_;
    ComPtr<IZemKMSQLiteRecordset> storageRow_;
    std::unique_ptr<ResourceStore> resources_;
    NoteTemplate noteTemplate_;
    StatementRowOrder rowOrder_;
    std::unique_ptr<NotePreparer> preparer_;
    // Notes imported whose documents' changes the engine may still keep back, in walk
    // order, each with what it needs to be counted once they are stored. Their documents
    // are held: letting one go would store the changes at once.
    struct StoringNote {
        ComPtr<IZemKMDocument> document;
        Text title;
        bool updating = false;
        bool lost = false;     // a loss was recorded for it
        int32_t position = 0;  // in the walk, for the progress bar
        std::chrono::steady_clock::time_point since;
    };
    std::vector<StoringNote> storing_;
    bool settledOnce_ = false;
    int32_t done_ = 0;
    int32_t progress_ = 0;  // where the progress bar stands
    bool walkEnded_ = false;
};

ImportOutcome ImportRun::Run() {
    host_.Assign(dialog_.HostDatabase());
    if (!host_)
        return ImportOutcome::kNotRun;
    if (!Prepare())
        return Finish(RunEnd::kStopped, ImportOutcome::kStopped);
    // A knowledge base held that long is held for good: the notes left would each wait as
    // long again.
    const auto stopHeld = [&] {
        SettleStoringNotes(false);
        CloseAccount();
        ShowMessageId(IDS_KNOWLEDGE_BASE_STILL_IN_USE);
        return Finish(RunEnd::kStopped, ImportOutcome::kStopped);
    };
    while (!walkEnded_) {
        ImportNote();
        if (dialog_.CancelRequested()) {
            SettleStoringNotes();
            CloseAccount();
            return Finish(RunEnd::kCancelled, ImportOutcome::kCancelled);
        }
        if (wait_.GaveUp())
            return stopHeld();
    }
    SettleStoringNotes();
    if (wait_.GaveUp())
        return stopHeld();
    CloseAccount();
    if (preparer_->WalkBroken())
        summary_.WalkBroken();
    else if (onlyChanges_)
        summary_.NotesGoneFromAccount(previous_->UnmatchedCount());
    return Finish(RunEnd::kCompleted, summary_.AllArrivedWhole()
                                          ? ImportOutcome::kCompleted
                                          : ImportOutcome::kCompletedWithGaps);
}

ImportOutcome ImportRun::Finish(RunEnd end, ImportOutcome outcome) {
    dialog_.ShowRunSummary(summary_.Finish(end, done_));
    if (end == RunEnd::kCompleted) {
        // The completion message stays "Import completed"; what did not arrive is added.
        ShowMessageText(TranslateResourceString(IDS_IMPORT_COMPLETED) +
                        summary_.CompletionNote(GetLogFilePath()));
        dialog_.EndWithOk();
    }
    return outcome;
}

bool ImportRun::Prepare() {
    ZemKMCreateSQLiteDatabaseFunc factory = dialog_.SQLiteFactory();
    if (!factory || Failed(factory(sqlite_.Out())) || !sqlite_) {
        ShowMessageId(IDS_CREATE_DATABASE_FAILED);
        return false;
    }
    const Text sourcePath = dialog_.SourcePath();
    if (!IsReadableSource(sourcePath, summary_)) {
        ShowMessageIdArg(IDS_FILE_NOT_EXISTS, sourcePath);
        return false;
    }
    if (!ChooseNotesToImport(sourcePath))
        return false;
    // Without a temporary folder the import folder would be relative to whatever the current
    // directory is; that is a failed copy.
    const Text tempFolder = GetGlobal().GetTempFolder();
    if (tempFolder.empty()) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    // Each run works in a folder of its own, so that runs started at the same moment never
    // meet in a file. Only the switch itself keeps the working files: "/debug" inside a path
    // does not.
    files_ = std::make_unique<ImportWorkingFiles>(
        tempFolder + u"Import.YNote" + kPathSeparator,
        HasCommandLineSwitch(GetCommandLineArguments(), u"Debug"));
    if (!files_->Ready()) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    const Text workingCopy = files_->DatabaseCopyPath();
    if (!CopyAccountDatabase(sourcePath, workingCopy, summary_)) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    if (Failed(sqlite_->OpenDatabase(workingCopy.c_str()))) {
        ShowMessageIdArg(IDS_OPEN_DATABASE_FAILED, sourcePath);
        return false;
    }
    KeepWorkingCopyCachesSmall(sqlite_.Get());
    LoadTagMap(sqlite_.Get(), tags_);
    CreateHostTags(host_.Get(), nullptr, tags_, Text(), &wait_);
    const bool notebooksReadable =
        CreateNotebookFolders(sqlite_.Get(), host_.Get(), kYNoteRootFolder, &wait_);
    if (!notebooksReadable)
        summary_.NotebooksUnreadable(kYNoteRootFolder);
    if (wait_.GaveUp()) {
        ShowMessageId(IDS_KNOWLEDGE_BASE_STILL_IN_USE);
        return false;
    }

    auto count = RunQuery(sqlite_.Get(), kSqlCountNotes);
    if (!count)
        return false;
    const int32_t noteCount = ReadFieldInt(count.Get());
    count.Reset();
    const WorkingCopyIndexes indexes = IndexWorkingCopy(sqlite_.Get());
    rowOrder_ = indexes.rowOrder;
    for (const Text& failure : indexes.failures)
        summary_.Notice(u"%1", failure);
    notes_ = RunQuery(sqlite_.Get(), kSqlSelectNotes);
    if (!notes_)
        return false;
    dialog_.SetProgressRange(noteCount);
    previous_->ExpectNotes(static_cast<size_t>(std::max(noteCount, 0)));
    OpenResourceStore(sourcePath);
    preparer_ = std::make_unique<NotePreparer>(
        NotePreparer::Account{sqlite_.Get(), notes_.Get(), resources_.get(), &noteTemplate_,
                              rowOrder_, files_.get(), previous_.get(), notebooksReadable});
    return true;
}

void ImportRun::CloseAccount() {
    if (preparer_)
        preparer_->Stop();
    sqlite_->CloseDatabase();
}

void ImportRun::OpenResourceStore(const Text& sourcePath) {
    Text storageFolder;
    storageRow_ = RunQuery(sqlite_.Get(), kSqlSelectAttachmentStorageDir);
    if (storageRow_)
        storageFolder = ReadFieldText(storageRow_.Get(), 1);
    // Without a storage folder of its own, an account's resource files lie beside its
    // database (the file the user chose, not the working copy), never wherever the current
    // directory happens to stand.
    if (storageFolder.empty())
        storageFolder = GetFolderPart(sourcePath);
    AddTrailingSeparator(storageFolder);
    // An account that never held a picture may lack the resource tables: its notes are
    // imported without resources rather than skipped for a query that cannot work.
    bool hasTables = true;
    for (const char16_t* table : {u"resources", u"resource_attr"}) {
        if (!HasTable(sqlite_.Get(), table)) {
            summary_.Notice(
                u"Import ynote, the account has no table %1; its notes are imported "
                u"without pictures and attachments",
                table);
            hasTables = false;
        }
    }
    resources_ = std::make_unique<ResourceStore>(storageFolder, hasTables);
    resources_->UseReusableFiles(files_->Reusable());
    if (hasTables && !resources_->FolderExists())
        summary_.Notice(
            u"Import ynote, the storage folder %1 does not exist; the notes' "
            u"pictures and attachments cannot be imported",
            storageFolder);
}

// Looks up what earlier imports of the account left in the knowledge base and, when there is
// something, lets the user choose between the notes that are new or changed since, every
// note again, or nothing. False for nothing.
bool ImportRun::ChooseNotesToImport(const Text& sourcePath) {
    const Text account = YNoteAccountName(sourcePath);
    previous_ = std::make_unique<PreviousImport>(host_.Get(), account);
    if (!previous_->Recording()) {
        GetGlobal().WriteLog(
            u"Import ynote: this knowledge base does not record where its documents come "
            u"from; importing the same account again will add a second copy of every note");
        return true;
    }
    // Held before the records are read, so that they include what another run of the
    // account adds.
    const ImportAccountHold::Outcome held = accountHold_.Take(host_.Get(), account, dialog_);
    if (held == ImportAccountHold::Outcome::kCancelled)
        return false;
    // Without the records every note would come in again beside its document.
    const HRESULT loaded = wait_.Call([&] { return previous_->Load(); }, Text());
    if (loaded == ZEM_E_KNOWLEDGE_BASE_BUSY) {
        ShowMessageId(IDS_KNOWLEDGE_BASE_STILL_IN_USE);
        return false;
    }
    if (Failed(loaded)) {
        GetGlobal().WriteLog(FormatText(
            u"Import ynote: the records of earlier imports could not be read (status %1)",
            Int64ToText(static_cast<uint32_t>(loaded))));
        ShowMessageId(IDS_EARLIER_IMPORTS_UNREADABLE);
        return false;
    }
    if (previous_->RecordedCount() == 0)
        return true;
    // Two runs of one account at once are one request made twice: the run waited for has
    // just brought the account in, every note again when so asked, and this one completes
    // only what it left (the notes new or changed since, or those of a run cut short)
    // instead of asking or adding a second copy of every note.
    if (held == ImportAccountHold::Outcome::kHeldAfterWait) {
        summary_.Notice(
            u"Import ynote, this run waited for another import of the account %1 to end; only "
            u"the notes new or changed since are imported",
            account);
        onlyChanges_ = true;
        summary_.ImportingOnlyChanges();
        return true;
    }
    switch (dialog_.AskImportAgain(account, static_cast<int32_t>(previous_->RecordedCount()))) {
        case ImportAgainChoice::kOnlyNewAndChanged:
            onlyChanges_ = true;
            summary_.ImportingOnlyChanges();
            return true;
        case ImportAgainChoice::kEveryNote:
            previous_->TreatEveryNoteAsNew();
            return true;
        case ImportAgainChoice::kNothing:
            break;
    }
    GetGlobal().WriteLog(FormatText(
        u"Import ynote: the account %1 was imported before, and was not imported again", account));
    return false;
}

void ImportRun::ImportNote() {
    std::unique_ptr<PreparedNote> note = preparer_->Next();
    if (!note) {
        walkEnded_ = true;
        return;
    }
    // Whatever was written for the note goes once the host has taken its copies, or once
    // the note is passed over.
    struct NoteDone {
        NotePreparer& preparer;
        PreparedNote& note;
        ~NoteDone() { preparer.Done(note); }
    } noteDone{*preparer_, *note};
    NoteFate fate = NoteFate::kNew;
    ComPtr<IZemKMDocument> document;
    bool updating = false;
    if (!DecideFate(*note, fate) || !BuildContent(*note) ||
        !PlaceDocument(*note, fate, document, updating) ||
        !StorePage(*note, document.Get(), updating) || !SetTags(*note, document.Get(), updating) ||
        !AddAttachments(document.Get(), *note, updating) || !SetDates(document.Get(), note->row))
        return;
    HandOver(*note, document, updating);
}

bool ImportRun::DecideFate(PreparedNote& note, NoteFate& fate) {
    note.rowReports.Replay();
    NoteRow& row = note.row;
    ++done_;
    std::replace(row.title.begin(), row.title.end(), u'/', u'-');
    title_ = row.title;
    dialog_.SetStatusText(row.title);
    dialog_.PumpMessages();
    if (KeptOut(Host([&] { return previous_->Decide(row.noteId, row.version, fate); })))
        return false;
    if (fate == NoteFate::kNew || fate == NoteFate::kChanged)
        return true;
    if (fate == NoteFate::kUnchanged)
        summary_.NoteUnchanged();
    else
        summary_.NoteConflict(row.title);
    AdvanceProgress(done_);
    return false;
}

bool ImportRun::BuildContent(PreparedNote& note) {
    preparer_->Prepare(note);
    note.tagReports.Replay();
    dialog_.PumpMessages();
    note.pageReports.Replay();
    if (note.htmlFile.empty()) {
        summary_.NoteSkipped(note.row.title, u"its content could not be built");
        return false;
    }
    note.notebookReports.Replay();
    if (note.notebookLookupFailed)
        summary_.NotebooksUnreadable(kYNoteRootFolder);
    dialog_.PumpMessages();
    return true;
}

bool ImportRun::PlaceDocument(const PreparedNote& note, NoteFate fate,
                              ComPtr<IZemKMDocument>& document, bool& updating) {
    const NoteRow& row = note.row;
    const Text& location = note.location;
    ComPtr<IUnknown> folderObject;
    if (KeptOut(Host([&] {
            return host_->GetFolderByLocation(location.c_str(), VARIANT_TRUE, folderObject.Out());
        })))
        return false;
    auto folder = ComPtr<IZemKMFolder>::QueryFrom(folderObject.Get());
    if (!folder) {
        ShowMessageIdArg(IDS_CREATE_FOLDER_FAILED, location);
        summary_.NoteSkipped(row.title, u"the folder %1 could not be created", location);
        return false;
    }
    // A changed note updates its document where it is; one whose document is gone comes in
    // as new.
    if (fate == NoteFate::kChanged && KeptOut(Host([&] {
            return previous_->TakeDocument(row.noteId, row.title, location, document);
        })))
        return false;
    updating = static_cast<bool>(document);
    if (!updating && KeptOut(Host([&] {
            return previous_->CreateDocument(folder.Get(), row.title, row.noteId, document);
        })))
        return false;
    if (!document) {
        ShowMessageIdArg(IDS_CREATE_DOCUMENT_FAILED, row.title);
        summary_.NoteSkipped(row.title, u"its document could not be created");
        return false;
    }
    return true;
}

bool ImportRun::StorePage(PreparedNote& note, IZemKMDocument* document, bool updating) {
    const NoteRow& row = note.row;
    const HRESULT urlStatus = Host([&] { return document->SetDocumentUrl(row.sourceUrl.c_str()); });
    if (KeptOut(urlStatus, document))
        return false;
    const bool urlStored = Succeeded(urlStatus);
    dialog_.PumpMessages();
    const Text& htmlFile = note.htmlFile;
    const HRESULT page = Host([&] {
        return document->UpdateFromHtmlFile(htmlFile.c_str(), htmlFile.c_str(),
                                            kUpdateFromHtmlFileFlags);
    });
    if (KeptOut(page, document))
        return false;
    if (Failed(page)) {
        // An updated document stays as it was, whole, rather than take the note's new title
        // and folder around its old page; the next import tries again.
        if (auto commit = ComPtr<IZemKMDocumentCommit>::QueryFrom(document); updating && commit)
            commit->DiscardChanges();
        ShowMessageIdArg(IDS_SAVE_DOCUMENT_FAILED, row.title);
        summary_.NoteSkipped(row.title, updating ? u"its new content could not be saved whole"
                                                 : u"its content could not be saved (an empty "
                                                   u"document stays)");
        return false;
    }
    // Whatever does not reach the knowledge base from here on is a loss, named and counted,
    // and the import goes on.
    summary_.ResourcesLost(row.title, note.pageLosses);
    if (!urlStored)
        summary_.SourceAddressLost(row.title, row.sourceUrl);
    return true;
}

// The tags of an updated document become the note's, none included.
bool ImportRun::SetTags(const PreparedNote& note, IZemKMDocument* document, bool updating) {
    if (!note.tagsRead)
        summary_.TagsNotRead(note.row.title, note.row.tags);
    if (note.tagNames.empty() && !(updating && note.tagsRead))
        return true;
    const Text tagsText = JoinTexts(note.tagNames, u";");
    const HRESULT tagged = Host([&] { return document->SetTagsText(tagsText.c_str(), u"YNote"); });
    if (KeptOut(tagged, document))
        return false;
    if (Failed(tagged))
        summary_.TagsLost(note.row.title, tagsText);
    dialog_.PumpMessages();
    return true;
}

void ImportRun::HandOver(PreparedNote& note, ComPtr<IZemKMDocument>& document, bool updating) {
    const NoteRow& row = note.row;
    if (KeptOut(Host([&] { return previous_->Finish(document.Get(), row.noteId, row.version); }),
                document.Get()))
        return;
    summary_.ResourcesLost(row.title, note.attachmentLosses);
    // The engine keeps a document's changes back to store them together with those of the
    // notes that follow; the note counts as imported once they are stored.
    storing_.push_back({std::move(document), row.title, updating, summary_.TakeNoteLost(), done_,
                        std::chrono::steady_clock::now()});
    // The run's first note is stored at once, so that a knowledge base another program
    // holds is met before the walk goes on. As many notes are counted together as the engine
    // stores together at most, and none stays uncounted longer than the engine keeps changes
    // back, so that the progress bar and the counts follow the run closely however slow each
    // note is.
    if (storing_.size() >= kMostDocumentsStoredTogether || !settledOnce_ ||
        std::chrono::steady_clock::now() - storing_.front().since >= kLongestChangesKeptBack)
        SettleStoringNotes();
    dialog_.PumpMessages();
}

void ImportRun::SettleStoringNotes(bool wait) {
    // The reports below are each note's own, as is the status line after a wait.
    const Text current = title_;
    for (StoringNote& note : storing_) {
        title_ = note.title;
        HRESULT stored = S_OK;
        // Once a wait ran out, the notes after are not waited for again one by one.
        if (auto commit = ComPtr<IZemKMDocumentCommit>::QueryFrom(note.document.Get()))
            stored = wait && !wait_.GaveUp() ? Host([&] { return commit->CommitChanges(); })
                                             : commit->CommitChanges();
        if (KeptOut(stored, note.document.Get()))
            continue;
        if (Failed(stored)) {
            ShowMessageIdArg(note.updating ? IDS_SAVE_DOCUMENT_FAILED : IDS_CREATE_DOCUMENT_FAILED,
                             note.title);
            summary_.NoteSkipped(note.title, note.updating ? u"its changes could not be stored"
                                                           : u"its document could not be created");
            continue;
        }
        if (note.updating)
            summary_.NoteUpdated(note.lost);
        else
            summary_.NoteImported(note.lost);
        AdvanceProgress(note.position);
    }
    storing_.clear();
    settledOnce_ = true;
    title_ = current;
}

bool ImportRun::KeptOut(HRESULT status, IZemKMDocument* document) {
    if (status != ZEM_E_KNOWLEDGE_BASE_BUSY)
        return false;
    if (auto commit = ComPtr<IZemKMDocumentCommit>::QueryFrom(document))
        commit->DiscardChanges();
    summary_.NoteSkipped(title_, kKeptOutReason);
    return true;
}

// An updated document keeps the attachments it has: one of the same name takes the note's
// bytes, the others stay and are counted.
bool ImportRun::AddAttachments(IZemKMDocument* document, PreparedNote& note, bool updating) {
    note.attachmentReports.Replay();
    if (!note.attachmentsRead) {
        summary_.AttachmentsNotRead(title_);
        return true;
    }
    std::vector<ResourceLoss>& losses = note.attachmentLosses;
    TextList names;
    for (const ResourceEntry& entry : note.attachments) {
        const Text path = note.folder + ToFileSystemPath(entry.fileName);
        names.push_back(GetFileNamePart(path));
        bool had = false;
        if (updating) {
            const HRESULT replaced =
                Host([&] { return previous_->ReplaceAttachment(document, path, had); });
            if (KeptOut(replaced, document))
                return false;
            if (Failed(replaced))
                losses.push_back(
                    {true, entry.resourceId, entry.fileName, ResourceLossReason::kNotStored, {}});
        }
        if (had) {
            dialog_.PumpMessages();
            continue;
        }
        ComPtr<IUnknown> attachmentObject;
        if (KeptOut(Host([&] {
                        return document->AddAttachmentFromFile(path.c_str(),
                                                               attachmentObject.Out());
                    }),
                    document))
            return false;
        auto attachment = ComPtr<IZemKMAttachment>::QueryFrom(attachmentObject.Get());
        if (!attachment)
            losses.push_back(
                {true, entry.resourceId, entry.fileName, ResourceLossReason::kNotStored, {}});
        else if (KeptOut(Host([&] { return attachment->SetAttachmentText(u""); }), document))
            return false;
        dialog_.PumpMessages();
    }
    if (updating) {
        int32_t others = 0;
        if (KeptOut(Host([&] { return previous_->CountOtherAttachments(document, names, others); }),
                    document))
            return false;
        summary_.AttachmentsGoneFromNotes(others);
    }
    return true;
}

// A time the calendar cannot hold leaves the host's own date instead of 30 December 1899.
bool ImportRun::SetDates(IZemKMDocument* document, const NoteRow& row) {
    const DateTime created = UnixTimeToOleDate(row.created);
    const DateTime modified = UnixTimeToOleDate(row.updated);
    bool stored = true;
    // False when another program kept the knowledge base; a refused date is a loss.
    auto set = [&](const std::function<HRESULT()>& call) {
        const HRESULT status = Host(call);
        if (KeptOut(status, document))
            return false;
        stored = Succeeded(status) && stored;
        return true;
    };
    if (created.valid && !set([&] { return document->SetDateCreated(created.value); }))
        return false;
    if (modified.valid && (!set([&] { return document->SetDateModified(modified.value); }) ||
                           !set([&] { return document->SetDateUpdated(modified.value); })))
        return false;
    if (!stored)
        summary_.DatesLost(title_);
    return true;
}

}  // namespace

ImportOutcome RunYNoteImport(ImportDialogSurface& dialog) {
    return ImportRun(dialog).Run();
}

}  // namespace zem
