#include "util/sync_objects.h"

namespace zem {

CZemSyncObject::CZemSyncObject(std::unique_ptr<WaitHandle> handle) : handle_(std::move(handle)) {}

CZemSyncObject::~CZemSyncObject() = default;

bool CZemSyncObject::Lock(uint32_t timeoutMilliseconds) {
    if (!handle_)
        return false;
    const uint32_t result = handle_->Wait(timeoutMilliseconds);
    return result == kWaitObject0 || result == kWaitAbandoned;
}

bool CZemSyncObject::Unlock(int32_t /*count*/, int32_t* /*previousCount*/) {
    return true;
}

CZemCriticalSectionObject::CZemCriticalSectionObject() = default;

CZemCriticalSectionObject::~CZemCriticalSectionObject() = default;

bool CZemCriticalSectionObject::Lock(uint32_t /*timeoutMilliseconds*/) {
    criticalSection_.lock();
    return true;
}

bool CZemCriticalSectionObject::Unlock() {
    criticalSection_.unlock();
    return true;
}

}  // namespace zem
