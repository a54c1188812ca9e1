#include "knowledge_base.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "busy_timeout.h"
#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "platform/com.h"
#include "platform/sqlite_setup.h"
#include "storage_schema.h"

namespace zem::kmcore {

namespace {

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool IsBusyCode(int code) {
    return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
}

Text Quoted(const Text& path) {
    return u"\"" + path + u"\"";
}

// Reads the file's schema; a file that is not a database, or is damaged, fails here.
Text CheckReadable(sqlite3* db, const Text& path, SchemaState& state) {
    const int rc = InspectSchema(db, state);
    if (rc == SQLITE_ROW)
        return {};
    if (rc == SQLITE_NOTADB)
        return u"The file " + Quoted(path) + u" is not a knowledge base.";
    if (rc == SQLITE_CORRUPT)
        return u"The knowledge base " + Quoted(path) + u" is damaged.";
    return u"The knowledge base " + Quoted(path) + u" cannot be read: " +
           FromUtf8(sqlite3_errmsg(db)) + u".";
}

bool PassesQuickCheck(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    bool ok =
        sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW &&
        std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) == "ok";
    sqlite3_finalize(statement);
    return ok;
}

// Every check and setting an index file needs before use; the error text on failure, with
// `busy` telling whether another program holding the file was the reason.
Text PrepareConnection(sqlite3* db, const Text& path, bool& busy) {
    SchemaState state = SchemaState::kForeign;
    Text error = CheckReadable(db, path, state);
    busy = IsBusyCode(sqlite3_errcode(db));
    if (!error.empty())
        return error;
    if (state == SchemaState::kForeign)
        return u"The file " + Quoted(path) +
               u" is a database of another program, not a knowledge base.";
    if (state == SchemaState::kKnowledgeBase && !PassesQuickCheck(db)) {
        busy = IsBusyCode(sqlite3_errcode(db));
        return u"The knowledge base " + Quoted(path) + u" is damaged.";
    }
    if (sqlite3_db_readonly(db, "main") == 1)
        return u"The knowledge base " + Quoted(path) + u" cannot be written.";
    // A new index gets 1 KiB pages: its rows are small, and the pages a transaction changes
    // go whole into the log, so smaller pages mean less log to write. Must precede the switch
    // to WAL, which creates the file's first page.
    // WAL keeps readers of other processes working during writes. With synchronous=NORMAL a
    // commit appends to the log without waiting for the disk: a killed process still leaves
    // every committed transaction (the system's cache holds the log), only a power loss can
    // take back the last ones, and the log is synced at each checkpoint, so the file stays
    // consistent in both cases.
    // Checkpoints, which sync the log and the file, are left to a Checkpointer.
    if ((state == SchemaState::kEmptyFile && !Exec(db, "PRAGMA page_size=1024")) ||
        !Exec(db, "PRAGMA journal_mode=WAL") || !Exec(db, "PRAGMA synchronous=NORMAL") ||
        !Exec(db, "PRAGMA foreign_keys=ON")) {
        busy = IsBusyCode(sqlite3_errcode(db));
        return u"The knowledge base " + Quoted(path) + u" cannot be prepared: " +
               FromUtf8(sqlite3_errmsg(db)) + u".";
    }
    // Creating what is missing also completes a knowledge base whose creation was cut short.
    std::string message;
    if (const int rc = CreateSchema(db, message); rc != SQLITE_OK) {
        busy = IsBusyCode(rc);
        return u"The knowledge base " + Quoted(path) + u" cannot be created: " + FromUtf8(message) +
               u".";
    }
    return {};
}

}  // namespace

std::shared_ptr<KnowledgeBase> KnowledgeBase::Open(const Text& indexPath, HRESULT& status,
                                                   Text& error) {
    status = E_FAIL;
    if (indexPath.empty()) {
        error = u"No knowledge base was named.";
        return nullptr;
    }
    Text path = AbsolutePath(indexPath);
    if (IsFolder(path))
        path = WithClosingSlash(path) + u"index.db";
    const Text folder = FolderOf(path);
    if (!IsFolder(folder)) {
        error = u"The folder of the knowledge base " + Quoted(folder) + u" does not exist.";
        return nullptr;
    }
    std::string sqliteName;
    if (!SqliteFileName(path, sqliteName)) {
        error = u"The knowledge base " + Quoted(path) + u" cannot be opened: invalid name.";
        return nullptr;
    }
    ConfigureSqlite();
    // Two programs preparing the same new file at once can each want a lock the other
    // holds; SQLite then reports busy at once rather than wait. The preparation is tried
    // again, with the file let go of in between, for as long as a call waits for a lock.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCallBusyTimeoutMilliseconds);
    for (;;) {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(sqliteName.c_str(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK) {
            error = u"The knowledge base " + Quoted(path) + u" cannot be opened: " +
                    FromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + u".";
            sqlite3_close(db);
            return nullptr;
        }
        sqlite3_busy_timeout(db, kCallBusyTimeoutMilliseconds);
        bool busy = false;
        error = PrepareConnection(db, path, busy);
        if (error.empty()) {
            // What an ended connection left half switched is completed before anything is read.
            RecoverFileSwitches(db, folder);
            status = S_OK;
            return std::shared_ptr<KnowledgeBase>(new KnowledgeBase(db, folder, sqliteName));
        }
        sqlite3_close(db);
        if (!busy)
            return nullptr;
        if (Clock::now() >= deadline) {
            status = ZEM_E_KNOWLEDGE_BASE_BUSY;
            error = u"The knowledge base " + Quoted(path) + u" is in use by another program.";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

KnowledgeBase::KnowledgeBase(sqlite3* db, Text folder, const std::string& indexPath)
    : db_(db),
      folder_(std::move(folder)),
      checkpointer_(std::make_unique<Checkpointer>(indexPath)),
      staged_(folder_),
      idleThread_([this] { StoreWhenIdle(); }) {
    checkpointer_->Attach(db_);
}

KnowledgeBase::~KnowledgeBase() {
    {
        MutexLock lock(mutex_);
        stopping_ = true;
    }
    idle_.NotifyOne();
    idleThread_.join();
    // The idle thread is gone; the lock keeps the analysis' rule for what follows.
    MutexLock lock(mutex_);
    sqlite3_busy_timeout(db_, kBusyTimeoutMilliseconds);  // the waiting changes' last chance
    if (StoreWaitingChanges() != S_OK)
        DropWaitingChanges();
    if (!switched_.empty() && RunTransaction([this] {
                                  ForgetCompletedSwitches();
                                  return true;
                              }) != S_OK)
        staged_.KeepFolder();
    // The checkpointer's connection closes first, so that closing this one, the last, folds
    // the log into the file.
    checkpointer_.reset();
    for (auto& [sql, statement] : statements_)
        sqlite3_finalize(statement);
    sqlite3_close(db_);
}

// The analysis cannot see that a scoped lock holds its mutex in its own destructor.
KnowledgeBase::Call::~Call() ZEM_NO_THREAD_SAFETY_ANALYSIS {
    kb_.lastCall_ = Clock::now();
    // A thread waiting for a deadline finds the later call when it wakes; only one waiting
    // for changes is woken, so that a call costs no switch to the thread and back.
    if (kb_.sleeping_ && !kb_.waiting_.empty())
        kb_.idle_.NotifyOne();
    kb_.mutex_.unlock();
}

void KnowledgeBase::StoreWhenIdle() {
    MutexLock lock(mutex_);
    while (!stopping_) {
        if (waiting_.empty()) {
            sleeping_ = true;
            idle_.Wait(mutex_);
            sleeping_ = false;
            continue;
        }
        const Clock::time_point due = lastCall_ + kLongestChangesKeptBack;
        if (Clock::now() < due) {
            idle_.WaitUntil(mutex_, due);
            continue;
        }
        // Changes another program keeps out, and updates left waiting, are looked at again
        // after another idle period.
        if (StoreIdleChanges() != S_OK || !waiting_.empty())
            lastCall_ = Clock::now();
    }
}

HRESULT KnowledgeBase::StoreIdleChanges() {
    std::vector<WaitingDocument> updates;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (it->newRow) {
            ++it;
            continue;
        }
        updates.push_back(std::move(*it));
        it = waiting_.erase(it);
    }
    const HRESULT status = StoreWaitingChanges();
    if (!updates.empty()) {
        if (waiting_.empty())
            firstWaiting_ = Clock::now();
        waiting_.insert(waiting_.begin(), std::make_move_iterator(updates.begin()),
                        std::make_move_iterator(updates.end()));
    }
    return status;
}

Text KnowledgeBase::DocumentFolder(const Text& documentGuid) const {
    return folder_ + ToNativeSeparators(u"documents/") + documentGuid + kPathSeparator;
}

Text KnowledgeBase::AttachmentFolder(const Text& attachmentGuid) const {
    return folder_ + ToNativeSeparators(u"attachments/") + attachmentGuid + kPathSeparator;
}

sqlite3_stmt* KnowledgeBase::Prepared(const std::string& sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return found->second;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    statements_.emplace(sql, statement);
    return statement;
}

KnowledgeBase::WaitingDocument* KnowledgeBase::FindWaiting(const Text& guid) {
    for (WaitingDocument& document : waiting_)
        if (document.guid == guid)
            return &document;
    return nullptr;
}

bool KnowledgeBase::WaitedLong() const {
    return !waiting_.empty() && Clock::now() - firstWaiting_ >= kLongestChangesKeptBack;
}

KnowledgeBase::WaitingDocument* KnowledgeBase::StoreOthersWhenOld(WaitingDocument* document) {
    if (!document || waiting_.size() < 2 || !WaitedLong())
        return document;
    // The others go now, before this call perhaps copies files for long; this document's
    // changes keep waiting to be stored together. Another program keeping the others out
    // is not this call's concern: they are tried again later.
    WaitingDocument kept = std::move(*document);
    waiting_.erase(waiting_.begin() + (document - waiting_.data()));
    StoreWaitingChanges();
    waiting_.insert(waiting_.begin(), std::move(kept));
    firstWaiting_ = Clock::now();
    return &waiting_.front();
}

HRESULT KnowledgeBase::ChangeDocument(const Text& guid, Step step, const Text& newFolder) {
    WaitingDocument* document = StoreOthersWhenOld(FindWaiting(guid));
    if (!document) {
        if (waiting_.size() >= kMostDocumentsStoredTogether || WaitedLong()) {
            if (const HRESULT stored = StoreWaitingChanges(); stored != S_OK)
                return stored;
        }
        if (waiting_.empty())
            firstWaiting_ = Clock::now();
        document = &waiting_.emplace_back();
        document->guid = guid;
    }
    if (step)
        document->steps.push_back(std::move(step));
    if (!newFolder.empty())
        document->newFolders.push_back(newFolder);
    return S_OK;
}

HRESULT KnowledgeBase::CreateDocumentRow(NewDocumentRow row, const Text& newFolder) {
    auto shared = std::make_shared<NewDocumentRow>(std::move(row));
    const HRESULT status = ChangeDocument(
        shared->guid,
        [shared](KnowledgeBase& kb) {
            const NewDocumentRow& row = *shared;
            // The page, empty unless one was written while the row waited.
            if (!row.pageWritten &&
                !CreateEmptyFileUnlessThere(kb.DocumentFolder(row.guid) + u"index.html"))
                return false;
            Statement insert(kb,
                             "INSERT INTO document(guid, title, location, url, created, "
                             "modified, updated) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
            insert.Bind(1, row.guid).Bind(2, row.title).Bind(3, row.location);
            if (row.url)
                insert.Bind(4, *row.url);
            else
                insert.BindNull(4);
            if (!insert.Bind(5, row.created).Bind(6, row.modified).Bind(7, row.updated).Run())
                return false;
            if (!row.source)
                return true;
            const NewDocumentRow::Source& source = *row.source;
            Statement record(kb,
                             "INSERT OR REPLACE INTO document_source(source, account, source_id, "
                             "document_guid, source_version, document_modified) "
                             "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
            record.Bind(1, source.source).Bind(2, source.account).Bind(3, source.id);
            record.Bind(4, row.guid);
            if (source.version)
                record.Bind(5, *source.version).Bind(6, source.documentModified);
            else
                record.BindNull(5).BindNull(6);
            return record.Run();
        },
        newFolder);
    if (status == S_OK)
        FindWaiting(shared->guid)->newRow = std::move(shared);
    return status;
}

KnowledgeBase::NewDocumentRow* KnowledgeBase::ChangeNewRow(const Text& guid) {
    WaitingDocument* document = StoreOthersWhenOld(FindWaiting(guid));
    return document ? document->newRow.get() : nullptr;
}

HRESULT KnowledgeBase::StoreWaitingChanges(const Text* guid) {
    if (waiting_.empty() || (guid && !FindWaiting(*guid)))
        return S_OK;
    std::vector<bool> failed(waiting_.size(), false);
    if (RunWaitingSteps(failed) == ZEM_E_KNOWLEDGE_BASE_BUSY)
        return ZEM_E_KNOWLEDGE_BASE_BUSY;
    for (size_t i = 0; i < waiting_.size(); ++i) {
        if (failed[i]) {
            RemoveNewFolders(waiting_[i]);
            failedStores_[waiting_[i].guid] = E_FAIL;
            continue;
        }
        CompleteSwitches(waiting_[i]);
        if (!failedStores_.empty())
            failedStores_.erase(waiting_[i].guid);
    }
    waiting_.clear();
    return S_OK;
}

HRESULT KnowledgeBase::RunWaitingSteps(std::vector<bool>& failed) {
    const auto hasSteps = [](const WaitingDocument& document) { return !document.steps.empty(); };
    if (std::none_of(waiting_.begin(), waiting_.end(), hasSteps))
        return S_OK;
    const HRESULT status = RunTransaction([&]() ZEM_REQUIRES(mutex_) {
        ForgetCompletedSwitches();
        for (size_t i = 0; i < waiting_.size(); ++i) {
            if (!Statement(*this, "SAVEPOINT document").Run())
                return false;
            bool stored = true;
            for (const Step& step : waiting_[i].steps) {
                if (!(stored = step(*this)))
                    break;
            }
            if (!stored) {
                failed[i] = true;
                Statement(*this, "ROLLBACK TO document").Run();
            }
            Statement(*this, "RELEASE document").Run();
            // A full disk or an I/O error can end the whole transaction; what follows would
            // then be stored statement by statement, so nothing more is run.
            if (sqlite3_get_autocommit(db_))
                return false;
        }
        return true;
    });
    if (Failed(status) && status != ZEM_E_KNOWLEDGE_BASE_BUSY)
        std::fill(failed.begin(), failed.end(), true);
    else if (status == S_OK)
        switched_.clear();
    return status;
}

void KnowledgeBase::RemoveNewFolders(const WaitingDocument& document) {
    for (const Text& folder : document.newFolders)
        RemoveObjectFolder(folder);
    for (const auto& [staged, target] : document.switches)
        RemoveStaged(folder_, staged);
}

void KnowledgeBase::CompleteSwitches(const WaitingDocument& document) {
    for (const auto& [staged, target] : document.switches) {
        CompleteFileSwitch(folder_, target, staged);
        switched_.push_back(staged);
    }
}

void KnowledgeBase::ForgetCompletedSwitches() {
    for (const Text& staged : switched_)
        Statement(*this, "DELETE FROM file_switch WHERE staged = ?1").Bind(1, staged).Run();
}

HRESULT KnowledgeBase::SwitchWithChanges(const Text& guid, const Text& target, const Text& staged) {
    const HRESULT status = ChangeDocument(guid, [owner = staged_.Owner(), target,
                                                 staged](KnowledgeBase& kb) {
        Statement record(kb, "INSERT INTO file_switch(owner, target, staged) VALUES(?1, ?2, ?3)");
        return record.Bind(1, owner).Bind(2, target).Bind(3, staged).Run();
    });
    if (status != S_OK) {
        RemoveStaged(folder_, staged);
        return status;
    }
    FindWaiting(guid)->switches.emplace_back(staged, target);
    return S_OK;
}

HRESULT KnowledgeBase::CommitDocument(const Text& guid) {
    if (FindWaiting(guid)) {
        if (const HRESULT stored = StoreWaitingChanges(); stored != S_OK)
            return stored;
    }
    const auto failed = failedStores_.find(guid);
    return failed == failedStores_.end() ? S_OK : failed->second;
}

void KnowledgeBase::DropWaitingChanges(const Text* guid) {
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (guid && it->guid != *guid) {
            ++it;
            continue;
        }
        RemoveNewFolders(*it);
        it = waiting_.erase(it);
    }
}

HRESULT KnowledgeBase::ReadWithWaitingChanges(const Text& guid, const std::function<bool()>& read) {
    const WaitingDocument* document = FindWaiting(guid);
    if (document && !document->steps.empty()) {
        // The steps are made again when the changes are stored; the rollback takes back
        // everything they did here.
        if (!Statement(*this, "BEGIN IMMEDIATE").Run())
            return FailureStatus();
        bool applied = true;
        for (const Step& step : document->steps) {
            if (!(applied = step(*this)))
                break;
        }
        bool done = false;
        if (applied)
            done = read();
        const HRESULT status = done ? S_OK : FailureStatus();
        Statement(*this, "ROLLBACK").Run();
        if (applied)
            return status;
    }
    return read() ? S_OK : FailureStatus();
}

HRESULT KnowledgeBase::InTransaction(const std::function<bool()>& body) {
    if (const HRESULT stored = StoreWaitingChanges(); stored != S_OK)
        return stored;
    return RunTransaction(body);
}

HRESULT KnowledgeBase::RunTransaction(const std::function<bool()>& body) {
    // IMMEDIATE takes the write lock up front, so a busy peer makes us wait here rather than
    // fail halfway through the body.
    if (!Statement(*this, "BEGIN IMMEDIATE").Run())
        return FailureStatus();
    if (body() && Statement(*this, "COMMIT").Run())
        return S_OK;
    const HRESULT status = FailureStatus();
    Statement(*this, "ROLLBACK").Run();
    return status;
}

HRESULT KnowledgeBase::FailureStatus() const {
    return IsBusyCode(sqlite3_errcode(db_)) ? ZEM_E_KNOWLEDGE_BASE_BUSY : E_FAIL;
}

Statement::~Statement() {
    if (!statement_)
        return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

Statement& Statement::Bind(int index, TextView value) {
    return Bind(index, ToUtf8(value));
}

Statement& Statement::Bind(int index, const std::string& value) {
    if (statement_)
        sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, int64_t value) {
    if (statement_)
        sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::BindNull(int index) {
    if (statement_)
        sqlite3_bind_null(statement_, index);
    return *this;
}

Text Statement::ColumnText(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (!text)
        return {};
    return FromUtf8(std::string_view(text, sqlite3_column_bytes(statement_, column)));
}

Text NewGuidText() {
    // Keys in the order they are made (the layout of version 7): the milliseconds since 1970
    // in the first 48 bits, then a count of the keys made earlier in the same millisecond,
    // then random bits. A new row then joins every index keyed by these at its end, on pages
    // already at hand, rather than on a random page of an ever larger index.
    static std::mutex lock;
    static uint64_t lastMilliseconds = 0;
    static uint16_t sameMillisecond = 0;
    GUID guid = NewGuid();
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    uint64_t milliseconds = static_cast<uint64_t>(std::max<int64_t>(now.count(), 0));
    uint16_t count = 0;
    {
        std::lock_guard guard(lock);
        // A clock set back, or more than 4,096 keys in one millisecond, borrows the next
        // millisecond: the order holds and the random bits keep the keys apart.
        if (milliseconds > lastMilliseconds) {
            sameMillisecond = 0;
        } else if (++sameMillisecond > 0xFFF) {
            ++lastMilliseconds;
            sameMillisecond = 0;
        }
        lastMilliseconds = std::max(milliseconds, lastMilliseconds);
        milliseconds = lastMilliseconds;
        count = sameMillisecond;
    }
    guid.data1 = static_cast<uint32_t>(milliseconds >> 16);
    guid.data2 = static_cast<uint16_t>(milliseconds & 0xFFFF);
    guid.data3 = static_cast<uint16_t>(0x7000 | count);
    return GuidToRegistryText(guid);
}

}  // namespace zem::kmcore
