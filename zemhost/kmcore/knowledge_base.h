// One open knowledge base: the folder, its index.db connection, the connection's prepared
// statements, and the changes to documents that wait to be stored together. Shared
// (std::shared_ptr) by the database component and every tag, folder, document and
// attachment object made from it, so the connection lives as long as any of them.
//
// Why changes wait: a document is built by several calls (created, then its URL, page, tags,
// attachments and dates), and an import builds many documents one after the other. The
// waiting changes are kept as steps in memory, one list per document, and stored together
// in one short transaction, each document under a savepoint of its own so that a document
// whose changes fail is dropped alone: the log is written once for many calls, and the
// write lock is held only for that moment, never while a call copies files, so a second
// program writing to the same knowledge base waits for one such transaction at most. The
// changes are stored once kMostDocumentsStoredTogether documents wait; when the oldest has
// waited kLongestChangesKeptBack and another document is started or built on (those of the document
// being built keep waiting); before anything else is changed or read; when an object is let go;
// and, but for changes to documents already stored, by the thread below. The files a document
// brings (its page, the copies of its attachments) are in place before the rows that name them are
// stored; files that replace those of a stored document are staged and switched in with its
// transaction (staged_files.h).
//
// Threads: every call of the objects holds a Call for its length, so the calls of all
// threads take turns on the connection. A thread of the knowledge base's own stores the
// waiting changes (but those of stored documents) once no call has come for
// kLongestChangesKeptBack; it takes the same turns.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "checkpointer.h"
#include "host/zem_km_interfaces.h"
#include "platform/com.h"
#include "platform/text.h"
#include "platform/thread_annotations.h"
#include "staged_files.h"

namespace zem::kmcore {

class KnowledgeBase {
  public:
    // Opens the knowledge base whose index file is `indexPath` (an existing folder means the
    // index.db inside it), creating a new one when the file does not exist yet. The folder
    // must exist. Null on failure, with `status` (ZEM_E_KNOWLEDGE_BASE_BUSY when another
    // program holds the file, else E_FAIL) and `error`, a sentence for the user.
    static std::shared_ptr<KnowledgeBase> Open(const Text& indexPath, HRESULT& status, Text& error);
    // Stores the waiting changes, waiting longer than a call would for another program to
    // let go of the file; changes that still cannot be stored are dropped.
    ~KnowledgeBase();
    KnowledgeBase(const KnowledgeBase&) = delete;
    KnowledgeBase& operator=(const KnowledgeBase&) = delete;

    // Held by every call of an object made from this knowledge base while the call runs: it
    // holds the knowledge base's lock, which the calls below require.
    class ZEM_SCOPED_CAPABILITY Call {
      public:
        explicit Call(KnowledgeBase& kb) ZEM_ACQUIRE(kb.mutex_) : kb_(kb) { kb_.mutex_.lock(); }
        ~Call() ZEM_RELEASE();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

      private:
        KnowledgeBase& kb_;
    };

    // The lock a Call holds, for helpers to require it: ZEM_REQUIRES(kb.CallLock()).
    RecursiveMutex& CallLock() ZEM_RETURN_CAPABILITY(mutex_) { return mutex_; }

    // The knowledge-base folder, ending with "/".
    const Text& Folder() const { return folder_; }
    Text DocumentFolder(const Text& documentGuid) const;
    Text AttachmentFolder(const Text& attachmentGuid) const;

    // The connection's prepared statement for `sql`, made on first use and kept; null when
    // the text does not compile.
    sqlite3_stmt* Prepared(const std::string& sql);

    // The row of a document whose creation is among the waiting changes. Calls that set one
    // of its columns fill it in here, so that the row is inserted whole by one statement
    // instead of inserted and then updated once per column.
    struct NewDocumentRow {
        Text guid, title, location;
        std::optional<Text> url;  // NULL unless set
        std::string created, modified, updated;
        // Tags were linked to it: a document that is not stored yet has none to clear
        // before its first.
        bool tagged = false;
        // Its page was written: no empty one is to be made when the row is stored.
        bool pageWritten = false;
        // Where the document comes from (document_source), inserted with it; the version,
        // and the modified date it was set at, once set.
        struct Source {
            Text source, account, id;
            std::optional<int64_t> version;
            std::string documentModified;
        };
        std::optional<Source> source = std::nullopt;
    };
    // Waits `row`'s insertion as the first change of its document (storing first those of
    // another document); `newFolder` as for ChangeDocument. Statuses as ChangeDocument.
    HRESULT CreateDocumentRow(NewDocumentRow row, const Text& newFolder) ZEM_REQUIRES(mutex_);
    // The row of document `guid` to be changed while its creation waits to be stored, else
    // null. Like ChangeDocument, first stores the other documents once they waited long.
    NewDocumentRow* ChangeNewRow(const Text& guid) ZEM_REQUIRES(mutex_);

    // One change to a document, run inside the transaction that stores the document's
    // waiting changes; false fails that transaction. It holds copies of what it needs: the
    // object that made it may be gone when it runs.
    using Step = std::function<bool(KnowledgeBase&)>;
    // Adds `step` (may be empty) to the changes waiting for document `guid`, first storing
    // those that wait when they are many or old. `newFolder`, when not empty, is a folder
    // made for a new object of the document; it is removed again should its changes be
    // dropped. S_OK, or ZEM_E_KNOWLEDGE_BASE_BUSY when the changes that had to be stored
    // first could not be (nothing is added then).
    HRESULT ChangeDocument(const Text& guid, Step step, const Text& newFolder = Text())
        ZEM_REQUIRES(mutex_);
    // Stores the waiting changes of every document, if any (only when document `guid`'s are
    // among them, when given). ZEM_E_KNOWLEDGE_BASE_BUSY when another program kept them out
    // (they are kept for a later try); else S_OK, each document's outcome kept for
    // CommitDocument: a document whose changes failed has them dropped and its new folders
    // removed.
    HRESULT StoreWaitingChanges(const Text* guid = nullptr) ZEM_REQUIRES(mutex_);
    // Drops the waiting changes (only document `guid`'s, when given) and removes their new
    // folders and staged files.
    void DropWaitingChanges(const Text* guid = nullptr) ZEM_REQUIRES(mutex_);
    // A new path, relative to the folder, where a file or folder that is to replace one of
    // a stored document is written first; empty when none can be made.
    Text NewStagedPath() { return staged_.NewPath(); }
    // Adds to document `guid`'s waiting changes that the staged file or folder takes the
    // place of `target` (relative to the folder) when they are stored; dropped with them, it
    // is removed. Statuses as ChangeDocument (the staged path is removed on failure).
    HRESULT SwitchWithChanges(const Text& guid, const Text& target, const Text& staged)
        ZEM_REQUIRES(mutex_);
    // Stores the waiting changes when document `guid`'s are among them, and tells how the
    // last store of its changes ended: S_OK (also when there was none), E_FAIL, or
    // ZEM_E_KNOWLEDGE_BASE_BUSY with the changes kept.
    HRESULT CommitDocument(const Text& guid) ZEM_REQUIRES(mutex_);
    // Runs `read` on the stored rows as document `guid`'s waiting changes would leave them,
    // storing nothing: those changes keep waiting, to be stored whole with the rest of the
    // document's (should they fail, `read` sees the rows without them). S_OK when `read`
    // returns true, else ZEM_E_KNOWLEDGE_BASE_BUSY or E_FAIL.
    HRESULT ReadWithWaitingChanges(const Text& guid, const std::function<bool()>& read)
        ZEM_REQUIRES(mutex_);
    // Runs `body` as a transaction of its own, after storing the waiting changes: committed
    // when it returns true, else rolled back. S_OK, ZEM_E_KNOWLEDGE_BASE_BUSY or E_FAIL.
    HRESULT InTransaction(const std::function<bool()>& body) ZEM_REQUIRES(mutex_);
    // What the last failure on the connection means for the caller: busy or E_FAIL.
    HRESULT FailureStatus() const;

  private:
    using Clock = std::chrono::steady_clock;

    struct WaitingDocument {
        Text guid;
        std::vector<Step> steps;
        std::vector<Text> newFolders;
        std::shared_ptr<NewDocumentRow> newRow;  // when the steps create the document
        // Staged paths, each with its target, switched in once the steps are stored.
        std::vector<std::pair<Text, Text>> switches;
    };

    KnowledgeBase(sqlite3* db, Text folder, const std::string& indexPath);
    HRESULT RunTransaction(const std::function<bool()>& body);
    // Runs every waiting document's steps under a savepoint of its own inside one
    // transaction; `failed` receives the documents whose steps failed (every one when the
    // transaction itself failed). S_OK, ZEM_E_KNOWLEDGE_BASE_BUSY (nothing stored) or E_FAIL.
    HRESULT RunWaitingSteps(std::vector<bool>& failed) ZEM_REQUIRES(mutex_);
    WaitingDocument* FindWaiting(const Text& guid) ZEM_REQUIRES(mutex_);
    // Whether the oldest waiting document has waited kLongestChangesKeptBack.
    bool WaitedLong() const ZEM_REQUIRES(mutex_);
    // Stores the documents waiting besides `document` (one of them, or null) once the
    // oldest has waited kLongestChangesKeptBack; `document`'s changes keep waiting. Where it now
    // is.
    WaitingDocument* StoreOthersWhenOld(WaitingDocument* document) ZEM_REQUIRES(mutex_);
    // Takes back what the document's changes made outside the index: new folders, staged
    // files.
    void RemoveNewFolders(const WaitingDocument& document);
    // Switches in the staged files of a document whose changes were stored.
    void CompleteSwitches(const WaitingDocument& document);
    // Removes the rows of completed switches; inside a transaction.
    void ForgetCompletedSwitches();
    void StoreWhenIdle() ZEM_EXCLUDES(mutex_);
    // What the idle thread stores: the waiting changes but those of stored documents, which
    // may be an update that the caller is still making (a pause between two of its calls
    // must not store half of it); they are stored when their object commits or lets go of
    // them, or when anything is read or changed elsewhere.
    HRESULT StoreIdleChanges() ZEM_REQUIRES(mutex_);

    sqlite3* db_;
    Text folder_;
    std::unique_ptr<Checkpointer> checkpointer_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    StagedFiles staged_;
    // Staged paths whose switches are complete, their rows removed by the next transaction.
    std::vector<Text> switched_;

    RecursiveMutex mutex_;
    CondVar idle_;
    // in the order their first change came
    std::vector<WaitingDocument> waiting_ ZEM_GUARDED_BY(mutex_);
    // when the oldest of them started waiting
    Clock::time_point firstWaiting_ ZEM_GUARDED_BY(mutex_);
    // The documents whose last stored changes failed, with the status; the others' last
    // store succeeded (or none was made).
    std::unordered_map<Text, HRESULT> failedStores_ ZEM_GUARDED_BY(mutex_);
    Clock::time_point lastCall_ ZEM_GUARDED_BY(mutex_) = Clock::now();
    bool stopping_ ZEM_GUARDED_BY(mutex_) = false;
    // the thread waits for changes, not for a deadline
    bool sleeping_ ZEM_GUARDED_BY(mutex_) = false;
    std::thread idleThread_;  // last: it starts with every other member in place
};

// One use of a cached statement: binds, steps, and resets the statement when it ends.
class Statement {
  public:
    Statement(KnowledgeBase& kb, const std::string& sql) : statement_(kb.Prepared(sql)) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as in SQL.
    Statement& Bind(int index, TextView value);
    Statement& Bind(int index, const std::string& value);
    Statement& Bind(int index, int64_t value);
    Statement& BindNull(int index);

    // True while the statement gives a row.
    bool NextRow() { return Step() == SQLITE_ROW; }
    // True when the statement ran to its end without error.
    bool Run() { return Step() == SQLITE_DONE; }
    // After NextRow gave false: whether the rows ran out, rather than the reading failed.
    bool ReachedEnd() const { return last_ == SQLITE_DONE; }

    Text ColumnText(int column);

  private:
    int Step() { return last_ = statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }

    sqlite3_stmt* statement_;
    int last_ = SQLITE_OK;
};

// A new GUID in its registry text form, the key of every stored object.
Text NewGuidText();

}  // namespace zem::kmcore
