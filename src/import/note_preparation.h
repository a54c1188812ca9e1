// The part of a note's import that reads the account and writes the note's working files:
// its row, its tag names, its page with the pictures beside it, its notebook and its
// attachment copies. The knowledge base takes no part in it, so it is done ahead: once the
// run's page template is made, a thread of its own reads and prepares the notes that follow
// while the user-interface thread hands the earlier ones to the knowledge base. Importing a
// large account then keeps both processor cores busy.
//
// What a step logs or shows is kept with the note (DeferredReports) and given out by the
// importing thread where the step would have run had it not run ahead, so the log reads as
// if the notes were imported one after another. A note that earlier imports left unchanged
// is not prepared ahead; one the reader guessed wrong is prepared by the importing thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "config/deferred_reports.h"
#include "host/zem_km_interfaces.h"
#include "import/note_body.h"
#include "import/note_resources.h"
#include "import/ynote_reader.h"
#include "platform/thread_annotations.h"
#include "util/text_helpers.h"

namespace zem {

class ImportWorkingFiles;
class PreviousImport;

struct NoteRow {
    Text noteId, title, notebookId, tags, sourceUrl;
    int64_t created = 0, updated = 0;
    // dateupdated as YNote keeps it: the note's version, compared on the next import.
    int64_t version = 0;
};

// One note of the walk: its row, and once prepared each step's outcome with what the step
// reported. A step after one that failed is not taken.
struct PreparedNote {
    NoteRow row;
    DeferredReports rowReports;
    bool prepared = false;
    Text folder;        // where its files are written, ending with "/"
    TextList written;   // every file written for it, the attachment copies included
    int64_t bytes = 0;  // copied for it

    bool tagsRead = true;
    TextList tagNames;  // trimmed and cleaned
    DeferredReports tagReports;
    Text htmlFile;  // empty when its page could not be built
    std::vector<ResourceLoss> pageLosses;
    DeferredReports pageReports;
    Text location;  // its folder in the knowledge base
    // Its notebook's look-up failed: it goes into the root folder, as the notes after it do
    // without a look-up.
    bool notebookLookupFailed = false;
    DeferredReports notebookReports;
    bool attachmentsRead = false;
    std::vector<ResourceEntry> attachments;  // copied, named relative to `folder`
    std::vector<ResourceLoss> attachmentLosses;
    DeferredReports attachmentReports;
};

// The steps of the preparation over the run's account; the objects are the run's and
// outlive this one. Until the template is made the importing thread does all the work
// itself; the reading thread, once started, is the only one to read the walk, and the
// importing thread reads the account only through Prepare. Next, Prepare, Done and Stop
// are the importing thread's.
class NotePreparer {
  public:
    struct Account {
        IZemKMSQLiteDatabase* database;
        IZemKMSQLiteRecordset* notes;  // the walk, at its first row
        ResourceStore* resources;
        NoteTemplate* noteTemplate;
        StatementRowOrder rowOrder;
        ImportWorkingFiles* files;
        const PreviousImport* previous;  // null: every note is prepared ahead
        // False when the notebooks could not be read: every note goes into the root folder.
        bool notebooksReadable = true;
    };
    explicit NotePreparer(const Account& account);
    ~NotePreparer();
    NotePreparer(const NotePreparer&) = delete;
    NotePreparer& operator=(const NotePreparer&) = delete;

    // The walk's next note, or null after its last (or after a row the walk could not step
    // past: WalkBroken). Until Done, its files stay where they are.
    std::unique_ptr<PreparedNote> Next();
    // Prepares the note when that was not done.
    void Prepare(PreparedNote& note);
    // The note is done with: its files are given up (by the reading thread, before it
    // prepares another note, once it runs) and its slot may take a later note.
    void Done(PreparedNote& note);
    bool WalkBroken() const { return broken_; }
    // Ends the reading ahead; required before the account's database is closed.
    void Stop();

    // The notes prepared ahead at most, and the bytes their copies may take on disk (at
    // least one note is always prepared). Each note has a folder of its own among as many,
    // so that the files of two notes of the same names never meet.
    static constexpr size_t kNotesAhead = 32;
    static constexpr int64_t kBytesAhead = 64 << 20;

  private:
    // Reads the walk's current row into `note` and steps past it; false at the end.
    bool ReadRow(PreparedNote& note) ZEM_REQUIRES(accountMutex_);
    void PrepareContent(PreparedNote& note) ZEM_REQUIRES(accountMutex_);
    void ReadAhead() ZEM_EXCLUDES(mutex_, accountMutex_);
    // Whether the reader may read another note.
    bool HasRoom() const ZEM_REQUIRES(mutex_);

    // The account's database and resource store, reached through account_, are used by one
    // thread at a time: the reader's reading ahead, or the importer's Prepare.
    Mutex accountMutex_;
    // notebooksReadable turns false at the first failed look-up
    Account account_ ZEM_GUARDED_BY(accountMutex_);
    size_t nextSlot_ ZEM_GUARDED_BY(accountMutex_) = 0;
    // The run's working files take turns themselves.
    ImportWorkingFiles* const files_;
    std::atomic<bool> broken_{false};

    // The hand-over between the reader and the importer.
    mutable Mutex mutex_;
    CondVar ready_, roomAgain_;
    std::deque<std::unique_ptr<PreparedNote>> queue_ ZEM_GUARDED_BY(mutex_);
    // Files of notes done with, and the folder each list lies in, for the reader to give up.
    std::vector<std::pair<TextList, Text>> givenUp_ ZEM_GUARDED_BY(mutex_);
    size_t ahead_ ZEM_GUARDED_BY(mutex_) = 0;  // read and not yet done with
    int64_t bytesAhead_ ZEM_GUARDED_BY(mutex_) = 0;
    bool ended_ ZEM_GUARDED_BY(mutex_) = false;
    bool stopping_ ZEM_GUARDED_BY(mutex_) = false;
    bool importerWaits_ ZEM_GUARDED_BY(mutex_) = false;
    bool readerWaits_ ZEM_GUARDED_BY(mutex_) = false;
    std::thread reader_;
};

}  // namespace zem
