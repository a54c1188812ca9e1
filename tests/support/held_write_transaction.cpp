#include "support/held_write_transaction.h"

#include "support/sqlite_file.h"

namespace zem::test {

HeldWriteTransaction::HeldWriteTransaction(const std::string& index,
                                           std::chrono::milliseconds longest, Lock lock)
    : thread_([this, index, longest, lock] { Hold(index, longest, lock); }) {
    std::unique_lock guard(mutex_);
    changed_.wait(guard, [this] { return held_; });
}

HeldWriteTransaction::~HeldWriteTransaction() {
    Release();
    thread_.join();
}

void HeldWriteTransaction::Release() {
    std::lock_guard guard(mutex_);
    released_ = true;
    changed_.notify_all();
}

void HeldWriteTransaction::Hold(const std::string& index, std::chrono::milliseconds longest,
                                Lock lock) {
    SqliteFile file(index, SqliteFile::Mode::kCreate);
    if (lock == Lock::kExclusive)
        file.Exec("PRAGMA locking_mode=EXCLUSIVE");
    file.Exec(lock == Lock::kExclusive ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE");
    file.Exec("INSERT INTO folder(location) VALUES('/held/')");
    std::unique_lock guard(mutex_);
    held_ = true;
    changed_.notify_all();
    changed_.wait_for(guard, longest, [this] { return released_; });
    file.Exec("COMMIT");
}

}  // namespace zem::test
