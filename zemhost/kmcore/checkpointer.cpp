#include "checkpointer.h"

#include "busy_timeout.h"
#include "platform/sqlite_setup.h"

namespace zem::kmcore {

namespace {

// A pass is asked for at this many pages in the log; at three times as many the writer no
// longer waits for the thread. With 1 KiB pages, 40 MiB and 120 MiB of log (the measured
// choice: docs/PERFORMANCE.md, "Storage speed-ups").
constexpr int kPassPages = 40000;
constexpr int kWriterPages = 3 * kPassPages;

void Checkpoint(sqlite3* db, const char* schema) {
    sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

}  // namespace

Checkpointer::Checkpointer(std::string indexPath)
    : path_(std::move(indexPath)), thread_([this] { Run(); }) {}

Checkpointer::~Checkpointer() {
    {
        MutexLock lock(mutex_);
        stopping_ = true;
    }
    wake_.NotifyOne();
    thread_.join();
}

void Checkpointer::Attach(sqlite3* db) {
    sqlite3_wal_hook(db, &Checkpointer::LogHook, this);
}

int Checkpointer::LogHook(void* self, sqlite3* db, const char* schema, int pages) {
    static_cast<Checkpointer*>(self)->AfterCommit(db, schema, pages);
    return SQLITE_OK;
}

void Checkpointer::AfterCommit(sqlite3* db, const char* schema, int pages) {
    if (pages < kPassPages)
        return;
    bool checkpointHere = false, wakeThread = false;
    {
        MutexLock lock(mutex_);
        const bool busy = requested_ || running_;
        if (unavailable_ || (busy && pages >= kWriterPages) || (!busy && finished_ != followed_)) {
            followed_ = finished_;
            checkpointHere = true;
        } else if (!busy) {
            requested_ = true;
            wakeThread = true;
        }
    }
    if (checkpointHere)
        Checkpoint(db, schema);
    else if (wakeThread)
        wake_.NotifyOne();
}

void Checkpointer::Run() {
    sqlite3* db = nullptr;
    ConfigureSqlite();
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);
        // The syncs of a checkpoint follow the connection's setting; the writer's is NORMAL.
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    } else {
        sqlite3_close(db);
        db = nullptr;
    }
    MutexLock lock(mutex_);
    unavailable_ = db == nullptr;
    while (db) {
        while (!requested_ && !stopping_)
            wake_.Wait(mutex_);
        if (stopping_)
            break;
        requested_ = false;
        running_ = true;
        lock.Unlock();
        Checkpoint(db, "main");
        lock.Lock();
        running_ = false;
        ++finished_;
    }
    lock.Unlock();
    sqlite3_close(db);
}

}  // namespace zem::kmcore
