#include "import/import_driver.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "config/command_line.h"
#include "config/global.h"
#include "config/user_messages.h"
#include "import/file_copy.h"
#include "import/note_body.h"
#include "import/resources.h"
#include "import/run_summary.h"
#include "import/tag_mapping.h"
#include "import/working_files.h"
#include "import/ynote_reader.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "util/paths.h"

namespace zem {

namespace {

constexpr char16_t kUntitledNote[] = u"无标题笔记";
constexpr char16_t kCopyFailedText[] = u"无法拷贝数据库文件!";
constexpr int32_t kUpdateFromHtmlFlags = 0x22;

struct NoteRow {
    Text noteId, title, notebookId, tags, sourceUrl;
    int64_t created = 0, updated = 0;
};

// Columns of the note walk's current row, with an empty title and an unset creation time
// replaced.
NoteRow ReadNoteRow(IZemKMSQLiteRecordset* notes) {
    NoteRow row;
    row.noteId = ReadFieldText(notes, 0);
    row.title = ReadFieldText(notes, 1);
    row.notebookId = ReadFieldText(notes, 2);
    row.tags = ReadFieldText(notes, 3);
    row.created = ReadFieldInt64(notes, 4);
    row.updated = ReadFieldInt64(notes, 5);
    row.sourceUrl = ReadFieldText(notes, 6);
    if (row.title.empty())
        row.title = kUntitledNote;
    if (row.created == 0)
        row.created = row.updated = CurrentUnixTime();
    return row;
}

// One press of OK: owns every object it takes and releases them, in reverse order of
// declaration, when it ends; the working files go last, after the database is released.
class ImportRun {
  public:
    explicit ImportRun(ImportDialogSurface& dialog) : dialog_(dialog) {}
    ImportOutcome Run();

  private:
    bool Prepare();
    void ImportNote();
    TextList PrepareTagNames(const Text& tags);
    void AddAttachments(IZemKMDocument* document, const Text& noteId);
    void SetDates(IZemKMDocument* document, const NoteRow& row);
    ImportOutcome Finish(RunEnd end, ImportOutcome outcome);

    ImportDialogSurface& dialog_;
    Text importFolder_;
    std::unique_ptr<ImportWorkingFiles> files_;
    ImportRunSummary summary_;
    ComPtr<IZemKMDatabase> host_;
    ComPtr<IZemKMSQLiteDatabase> sqlite_;
    TagMap tags_;
    ComPtr<IZemKMSQLiteRecordset> notes_;
    ComPtr<IZemKMSQLiteRecordset> storageRow_;
    Text storageFolder_;
    int32_t done_ = 0;
    bool walkBroken_ = false;
};

ImportOutcome ImportRun::Run() {
    host_.Assign(dialog_.HostDatabase());
    if (!host_)
        return ImportOutcome::kNotRun;
    if (!Prepare())
        return Finish(RunEnd::kStopped, ImportOutcome::kStopped);
    while (!walkBroken_ && HasCurrentRow(notes_.Get())) {
        ImportNote();
        if (dialog_.CancelRequested()) {
            sqlite_->CloseDatabase();
            return Finish(RunEnd::kCancelled, ImportOutcome::kCancelled);
        }
    }
    sqlite_->CloseDatabase();
    if (walkBroken_)
        summary_.WalkBroken();
    return Finish(RunEnd::kCompleted, ImportOutcome::kCompleted);
}

ImportOutcome ImportRun::Finish(RunEnd end, ImportOutcome outcome) {
    dialog_.ShowRunSummary(summary_.Finish(end, done_));
    if (outcome == ImportOutcome::kCompleted) {
        ShowMessageId(IDS_IMPORT_COMPLETED);
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
    if (!PathExists(sourcePath)) {
        ShowMessageIdArg(IDS_FILE_NOT_EXISTS, sourcePath);
        return false;
    }
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
        tempFolder + u"Import.YNote/", HasCommandLineSwitch(GetCommandLineArguments(), u"Debug"));
    if (!files_->Ready()) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    importFolder_ = files_->NotesFolder();
    const Text workingCopy = files_->DatabaseCopyPath();
    // A database in WAL mode may hold notes in its -wal file that are not yet in the main
    // file, so that file travels with the copy.
    if (!CopyFileContents(sourcePath, workingCopy)) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    if (PathExists(sourcePath + u"-wal") &&
        !CopyFileContents(sourcePath + u"-wal", workingCopy + u"-wal")) {
        ShowMessageText(kCopyFailedText);
        return false;
    }
    if (Failed(sqlite_->OpenDatabase(workingCopy.c_str()))) {
        ShowMessageIdArg(IDS_OPEN_DATABASE_FAILED, sourcePath);
        return false;
    }
    LoadTagMap(sqlite_.Get(), tags_);
    CreateHostTags(host_.Get(), nullptr, tags_, Text());
    CreateNotebookFolders(sqlite_.Get(), host_.Get(), kYNoteRootFolder);

    auto count = RunQuery(sqlite_.Get(), kSqlCountNotes);
    if (!count)
        return false;
    const int32_t noteCount = ReadFieldInt(count.Get());
    count.Reset();
    notes_ = RunQuery(sqlite_.Get(), kSqlSelectNotes);
    if (!notes_)
        return false;
    dialog_.SetProgressRange(noteCount);
    storageRow_ = RunQuery(sqlite_.Get(), kSqlSelectAttachmentStorageDir);
    if (storageRow_) {
        storageFolder_ = ReadFieldText(storageRow_.Get(), 1);
        AddTrailingSeparator(storageFolder_);
    }
    return true;
}

void ImportRun::ImportNote() {
    NoteRow row = ReadNoteRow(notes_.Get());
    // Before the note, so that a skipped note cannot stop the walk. A failed step (a damaged
    // page) ends the walk rather than leave it on the same row.
    if (Failed(notes_->MoveNext()))
        walkBroken_ = true;
    ++done_;
    std::replace(row.title.begin(), row.title.end(), u'/', u'-');
    dialog_.SetStatusText(row.title);
    dialog_.PumpMessages();

    const TextList tagNames = PrepareTagNames(row.tags);
    dialog_.PumpMessages();

    // Everything written for this note goes once the host has taken its copies.
    struct NoteFiles {
        ImportWorkingFiles& files;
        TextList written;
        ~NoteFiles() {
            files.AddNoteFiles(written);
            files.RemoveNoteFiles();
        }
    } noteFiles{*files_, {}};

    const Text htmlFile = BuildNoteHtmlFile(sqlite_.Get(), row.noteId, importFolder_,
                                            storageFolder_, &noteFiles.written);
    if (htmlFile.empty()) {
        summary_.NoteSkipped(row.title, u"its content could not be built");
        return;
    }
    Text location = kYNoteRootFolder;
    if (!AppendNotebookName(sqlite_.Get(), row.notebookId, location)) {
        summary_.NoteSkipped(row.title, u"its notebook could not be read");
        return;
    }
    dialog_.PumpMessages();

    ComPtr<IUnknown> folderObject;
    host_->GetFolderByLocation(location.c_str(), VARIANT_TRUE, folderObject.Out());
    auto folder = ComPtr<IZemKMFolder>::QueryFrom(folderObject.Get());
    if (!folder) {
        ShowMessageIdArg(IDS_CREATE_FOLDER_FAILED, location);
        summary_.NoteSkipped(row.title,
                             FormatText(u"the folder %1 could not be created", location));
        return;
    }
    ComPtr<IUnknown> documentObject;
    folder->CreateDocument(row.title.c_str(), u"", documentObject.Out());
    auto document = ComPtr<IZemKMDocument>::QueryFrom(documentObject.Get());
    if (!document) {
        ShowMessageIdArg(IDS_CREATE_DOCUMENT_FAILED, row.title);
        summary_.NoteSkipped(row.title, u"its document could not be created");
        return;
    }
    document->SetDocumentUrl(row.sourceUrl.c_str());
    dialog_.PumpMessages();
    if (Failed(document->UpdateFromHtmlFile(htmlFile.c_str(), htmlFile.c_str(),
                                            kUpdateFromHtmlFlags))) {
        ShowMessageIdArg(IDS_SAVE_DOCUMENT_FAILED, row.title);
        summary_.NoteSkipped(row.title,
                             u"its content could not be saved (an empty document stays)");
        return;
    }
    if (!tagNames.empty()) {
        document->SetTagsText(JoinTexts(tagNames, u";").c_str(), u"YNote");
        dialog_.PumpMessages();
    }
    AddAttachments(document.Get(), row.noteId);
    SetDates(document.Get(), row);
    summary_.NoteImported();
    dialog_.SetProgressPosition(done_);
    dialog_.PumpMessages();
}

TextList ImportRun::PrepareTagNames(const Text& tags) {
    TextList names;
    if (tags.empty() || !LookupTagNames(tags, sqlite_.Get(), names))
        return names;
    for (Text& name : names) {
        name = TrimTextStart(TrimTextEnd(name));
        CleanTagName(name);
    }
    return names;
}

void ImportRun::AddAttachments(IZemKMDocument* document, const Text& noteId) {
    std::vector<ResourceEntry> entries;
    if (!CollectAttachments(sqlite_.Get(), noteId, importFolder_, entries, storageFolder_))
        return;
    for (const ResourceEntry& entry : entries) {
        const Text path = importFolder_ + ToFileSystemPath(entry.fileName);
        files_->AddNoteFile(path);
        ComPtr<IUnknown> attachmentObject;
        document->AddAttachmentFromFile(path.c_str(), attachmentObject.Out());
        auto attachment = ComPtr<IZemKMAttachment>::QueryFrom(attachmentObject.Get());
        if (attachment)
            attachment->SetAttachmentText(u"");
        dialog_.PumpMessages();
    }
}

// A time the calendar cannot hold leaves the host's own date instead of 30 December 1899.
void ImportRun::SetDates(IZemKMDocument* document, const NoteRow& row) {
    const DateTime created = UnixTimeToOleDate(row.created);
    const DateTime modified = UnixTimeToOleDate(row.updated);
    if (created.valid)
        document->SetDateCreated(created.value);
    if (modified.valid) {
        document->SetDateModified(modified.value);
        document->SetDateUpdated(modified.value);
    }
}

}  // namespace

ImportOutcome RunYNoteImport(ImportDialogSurface& dialog) {
    // The walk pumps window messages; a second OK pressed meanwhile must not start a run
    // inside this one.
    static bool running = false;
    if (running)
        return ImportOutcome::kStopped;
    running = true;
    ImportOutcome outcome = ImportRun(dialog).Run();
    running = false;
    return outcome;
}

}  // namespace zem
