// Lock objects. CZemSyncObject waits on a system wait handle it owns; the re-entrant
// CZemCriticalSectionObject is an in-process lock that the holding thread may take again
// (and must then release as often). A caller that gets true from Lock calls Unlock once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/wait_handle.h"

namespace zem {

class CZemSyncObject {
  public:
    explicit CZemSyncObject(std::unique_ptr<WaitHandle> handle = nullptr);
    virtual ~CZemSyncObject();
    CZemSyncObject(const CZemSyncObject&) = delete;
    CZemSyncObject& operator=(const CZemSyncObject&) = delete;

    // True when the wait ended because the handle was signalled or abandoned.
    virtual bool Lock(uint32_t timeoutMilliseconds = kInfinite);
    virtual bool Unlock(int32_t count, int32_t* previousCount);
    virtual bool Unlock() = 0;

  protected:
    std::unique_ptr<WaitHandle> handle_;
};

class CZemCriticalSectionObject : public CZemSyncObject {
  public:
    CZemCriticalSectionObject();
    ~CZemCriticalSectionObject() override;

    // Ignores the timeout and waits as long as needed; always true.
    bool Lock(uint32_t timeoutMilliseconds = kInfinite) override;
    using CZemSyncObject::Unlock;
    bool Unlock() override;

  private:
    std::recursive_mutex criticalSection_;
};

}  // namespace zem
