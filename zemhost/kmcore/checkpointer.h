// Copies a knowledge base's log (WAL) into its index file on a thread of its own, through a
// connection of its own, so that the disk syncs a checkpoint needs overlap with the writer's
// work instead of stalling one of its commits.
//
// The writer's connection reports its log size after every commit (SQLite's log hook, which
// replaces SQLite's own automatic checkpoints). Once the log is long enough a pass is asked
// of the thread; when the pass is done, the writer finishes what was added meanwhile itself:
// little is left then, and only a checkpoint that reaches the end of the log lets the next
// transaction start the log afresh. Should the thread fall far behind, or be unable to open
// its connection, the writer checkpoints itself. Why the passes are few and long:
// docs/PERFORMANCE.md, "Storage speed-ups". Told of commits one at a time, by whichever
// thread commits on the writer's connection; the thread is stopped, after any pass it is
// running, when the object ends.
#pragma once

#include <sqlite3.h>

#include <string>
#include <thread>

#include "platform/thread_annotations.h"

namespace zem::kmcore {

class Checkpointer {
  public:
    // `indexPath`: the index file, as SQLite names it (UTF-8).
    explicit Checkpointer(std::string indexPath);
    ~Checkpointer();
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // Sets the log hook of the writer's connection `db` to report to this object.
    void Attach(sqlite3* db);

  private:
    static int LogHook(void* self, sqlite3* db, const char* schema, int pages);
    void AfterCommit(sqlite3* db, const char* schema, int pages) ZEM_EXCLUDES(mutex_);
    void Run() ZEM_EXCLUDES(mutex_);

    const std::string path_;
    Mutex mutex_;
    CondVar wake_;
    bool requested_ ZEM_GUARDED_BY(mutex_) = false;
    bool running_ ZEM_GUARDED_BY(mutex_) = false;
    bool stopping_ ZEM_GUARDED_BY(mutex_) = false;
    // the thread's connection could not be opened
    bool unavailable_ ZEM_GUARDED_BY(mutex_) = false;
    unsigned finished_ ZEM_GUARDED_BY(mutex_) = 0;  // passes the thread has done
    unsigned followed_ ZEM_GUARDED_BY(mutex_) = 0;  // passes the writer has finished after
    std::thread thread_;
};

}  // namespace zem::kmcore
