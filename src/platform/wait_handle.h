// System wait handles (events and mutexes) for the lock objects. Owned by their creator;
// usable from any thread.
#pragma once

#include <cstdint>
#include <memory>

namespace zem {

constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitAbandoned = 0x80;
constexpr uint32_t kWaitTimeout = 0x102;
constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
constexpr uint32_t kInfinite = 0xFFFFFFFF;

class WaitHandle {
  public:
    virtual ~WaitHandle() = default;
    // WaitForSingleObject: kWaitObject0, kWaitAbandoned, kWaitTimeout or kWaitFailed.
    virtual uint32_t Wait(uint32_t timeoutMilliseconds) = 0;
};

// A manual-reset or auto-reset event.
class EventHandle : public WaitHandle {
  public:
    virtual void Set() = 0;
    virtual void Reset() = 0;
};
std::unique_ptr<EventHandle> CreateEventHandle(bool manualReset, bool initiallySet);

// A mutex that reports kWaitAbandoned to the next waiter when its owning thread ended
// without releasing it.
class MutexHandle : public WaitHandle {
  public:
    virtual bool ReleaseMutex() = 0;
};
std::unique_ptr<MutexHandle> CreateMutexHandle();

}  // namespace zem
