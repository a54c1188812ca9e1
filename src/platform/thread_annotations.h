// Locks the compiler checks: clang's thread-safety analysis (-Wthread-safety, an error in the
// clang build) proves that every member marked ZEM_GUARDED_BY(m) is touched only with m held
// and that functions marked ZEM_REQUIRES(m) are called only so. The macros are empty for
// other compilers. Mutex and RecursiveMutex are std::mutex and std::recursive_mutex with the
// annotations; MutexLock holds one for a scope (and may let go of it and take it again
// inside); CondVar waits on either, letting go of it while it waits. Kept in the platform
// layer so that the program and the engine library share it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define ZEM_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define ZEM_THREAD_ANNOTATION(x)
#endif

#define ZEM_CAPABILITY(x) ZEM_THREAD_ANNOTATION(capability(x))
#define ZEM_SCOPED_CAPABILITY ZEM_THREAD_ANNOTATION(scoped_lockable)
#define ZEM_GUARDED_BY(x) ZEM_THREAD_ANNOTATION(guarded_by(x))
#define ZEM_PT_GUARDED_BY(x) ZEM_THREAD_ANNOTATION(pt_guarded_by(x))
#define ZEM_REQUIRES(...) ZEM_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ZEM_EXCLUDES(...) ZEM_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ZEM_ACQUIRE(...) ZEM_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ZEM_RELEASE(...) ZEM_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define ZEM_RETURN_CAPABILITY(x) ZEM_THREAD_ANNOTATION(lock_returned(x))
#define ZEM_NO_THREAD_SAFETY_ANALYSIS ZEM_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace zem {

// lock()/unlock() make both usable by std::condition_variable_any and std::scoped_lock.
class ZEM_CAPABILITY("mutex") Mutex {
  public:
    void lock() ZEM_ACQUIRE() { mutex_.lock(); }
    void unlock() ZEM_RELEASE() { mutex_.unlock(); }

  private:
    std::mutex mutex_;
};

// The holding thread may take it again, and lets go of it as often.
class ZEM_CAPABILITY("mutex") RecursiveMutex {
  public:
    void lock() ZEM_ACQUIRE() { mutex_.lock(); }
    void unlock() ZEM_RELEASE() { mutex_.unlock(); }

  private:
    std::recursive_mutex mutex_;
};

template <class M>
class ZEM_SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(M& mutex) ZEM_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() ZEM_RELEASE() {
        if (held_)
            mutex_.unlock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // Lets go of the mutex for a stretch of the scope, and takes it again.
    void Unlock() ZEM_RELEASE() {
        mutex_.unlock();
        held_ = false;
    }
    void Lock() ZEM_ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }

  private:
    M& mutex_;
    bool held_ = true;
};

// Waits hold the mutex, held once, on entry and on return; callers test their condition in
// a loop around the wait, where the analysis sees what they read.
class CondVar {
  public:
    template <class M>
    void Wait(M& mutex) ZEM_REQUIRES(mutex) {
        condition_.wait(mutex);
    }
    // False when the deadline passed.
    template <class M, class Clock, class Duration>
    bool WaitUntil(M& mutex, const std::chrono::time_point<Clock, Duration>& deadline)
        ZEM_REQUIRES(mutex) {
        return condition_.wait_until(mutex, deadline) == std::cv_status::no_timeout;
    }
    void NotifyOne() { condition_.notify_one(); }
    void NotifyAll() { condition_.notify_all(); }

  private:
    std::condition_variable_any condition_;
};

}  // namespace zem
