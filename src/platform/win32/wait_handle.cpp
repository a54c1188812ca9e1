#include "platform/wait_handle.h"

#include "platform/win32/windows_api.h"

namespace zem {

namespace {

// The system's own objects: the wait results are the system's, and a mutex whose owner
// ended without releasing it is handed on as abandoned.
class SystemHandle {
  protected:
    explicit SystemHandle(HANDLE handle) : handle_(handle) {}
    ~SystemHandle() {
        if (handle_)
            CloseHandle(handle_);
    }
    uint32_t WaitFor(uint32_t timeoutMilliseconds) {
        return handle_ ? WaitForSingleObject(handle_, timeoutMilliseconds) : kWaitFailed;
    }

    HANDLE handle_;
};

class Event final : public EventHandle, private SystemHandle {
  public:
    Event(bool manualReset, bool initiallySet)
        : SystemHandle(CreateEventW(nullptr, manualReset, initiallySet, nullptr)) {}
    uint32_t Wait(uint32_t timeoutMilliseconds) override { return WaitFor(timeoutMilliseconds); }
    void Set() override { SetEvent(handle_); }
    void Reset() override { ResetEvent(handle_); }
};

class Mutex final : public MutexHandle, private SystemHandle {
  public:
    Mutex() : SystemHandle(CreateMutexW(nullptr, FALSE, nullptr)) {}
    uint32_t Wait(uint32_t timeoutMilliseconds) override { return WaitFor(timeoutMilliseconds); }
    // False when the calling thread does not own the mutex.
    bool ReleaseMutex() override { return handle_ && ::ReleaseMutex(handle_); }
};

}  // namespace

std::unique_ptr<EventHandle> CreateEventHandle(bool manualReset, bool initiallySet) {
    return std::make_unique<Event>(manualReset, initiallySet);
}

std::unique_ptr<MutexHandle> CreateMutexHandle() {
    return std::make_unique<Mutex>();
}

}  // namespace zem
