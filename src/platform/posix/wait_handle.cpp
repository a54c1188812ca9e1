#include "platform/wait_handle.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zem {

namespace {

class Event final : public EventHandle {
  public:
    Event(bool manualReset, bool initiallySet) : manualReset_(manualReset), set_(initiallySet) {}

    uint32_t Wait(uint32_t timeoutMilliseconds) override {
        std::unique_lock guard(lock_);
        const auto isSet = [this] { return set_; };
        if (timeoutMilliseconds == kInfinite)
            changed_.wait(guard, isSet);
        else if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMilliseconds), isSet))
            return kWaitTimeout;
        if (!manualReset_)
            set_ = false;  // an auto-reset event lets one waiter through
        return kWaitObject0;
    }
    void Set() override {
        {
            std::lock_guard guard(lock_);
            set_ = true;
        }
        if (manualReset_)
            changed_.notify_all();
        else
            changed_.notify_one();
    }
    void Reset() override {
        std::lock_guard guard(lock_);
        set_ = false;
    }

  private:
    const bool manualReset_;
    bool set_;
    std::mutex lock_;
    std::condition_variable changed_;
};

// A recursive, robust pthread mutex: when the owning thread ends without releasing it, the
// system hands it to the next waiter with EOWNERDEAD, which is the abandoned state.
class Mutex final : public MutexHandle {
  public:
    Mutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        valid_ = pthread_mutex_init(&mutex_, &attributes) == 0;
        pthread_mutexattr_destroy(&attributes);
    }
    ~Mutex() override {
        if (valid_)
            pthread_mutex_destroy(&mutex_);
    }

    uint32_t Wait(uint32_t timeoutMilliseconds) override {
        if (!valid_)
            return kWaitFailed;
        int result;
        if (timeoutMilliseconds == kInfinite) {
            result = pthread_mutex_lock(&mutex_);
        } else if (timeoutMilliseconds == 0) {
            result = pthread_mutex_trylock(&mutex_);
        } else {
            timespec deadline;
            clock_gettime(CLOCK_MONOTONIC, &deadline);
            deadline.tv_sec += timeoutMilliseconds / 1000;
            deadline.tv_nsec += static_cast<long>(timeoutMilliseconds % 1000) * 1000000;
            if (deadline.tv_nsec >= 1000000000) {
                deadline.tv_sec += 1;
                deadline.tv_nsec -= 1000000000;
            }
            result = pthread_mutex_clocklock(&mutex_, CLOCK_MONOTONIC, &deadline);
        }
        switch (result) {
            case 0:
                return kWaitObject0;
            case EOWNERDEAD:
                pthread_mutex_consistent(&mutex_);
                return kWaitAbandoned;
            case EBUSY:
            case ETIMEDOUT:
                return kWaitTimeout;
            default:
                return kWaitFailed;
        }
    }

    // False when the calling thread does not own the mutex.
    bool ReleaseMutex() override { return valid_ && pthread_mutex_unlock(&mutex_) == 0; }

  private:
    pthread_mutex_t mutex_;
    bool valid_ = false;
};

}  // namespace

std::unique_ptr<EventHandle> CreateEventHandle(bool manualReset, bool initiallySet) {
    return std::make_unique<Event>(manualReset, initiallySet);
}

std::unique_ptr<MutexHandle> CreateMutexHandle() {
    return std::make_unique<Mutex>();
}

}  // namespace zem
