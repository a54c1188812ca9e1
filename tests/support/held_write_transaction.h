// Another program's write transaction on a SQLite file (a knowledge base's index), held on a
// thread of its own from construction until Release(), the destructor, or the longest time
// given. The constructor returns once the transaction holds the file; the held transaction
// adds one folder row '/held/' to a knowledge base and commits it when let go.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace zem::test {

class HeldWriteTransaction {
  public:
    enum class Lock {
        kWrite,     // other connections may still read
        kExclusive  // nobody else may even read
    };
    HeldWriteTransaction(const std::string& index, std::chrono::milliseconds longest,
                         Lock lock = Lock::kWrite);
    ~HeldWriteTransaction();
    HeldWriteTransaction(const HeldWriteTransaction&) = delete;
    HeldWriteTransaction& operator=(const HeldWriteTransaction&) = delete;

    void Release();

  private:
    void Hold(const std::string& index, std::chrono::milliseconds longest, Lock lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
    std::thread thread_;
};

}  // namespace zem::test
