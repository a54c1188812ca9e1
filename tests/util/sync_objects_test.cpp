#include "util/sync_objects.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/system_info.h"

namespace zem {
namespace {

// The base class leaves Unlock() to its concrete classes.
class HandleLock : public CZemSyncObject {
  public:
    using CZemSyncObject::CZemSyncObject;
    using CZemSyncObject::Unlock;
    bool Unlock() override { return true; }
};

TEST(CZemSyncObject, LocksOnSignalledOrAbandonedHandlesOnly) {
    auto event = CreateEventHandle(true, false);
    EventHandle* raw = event.get();
    HandleLock onEvent(std::move(event));
    EXPECT_FALSE(onEvent.Lock(0));
    raw->Set();
    EXPECT_TRUE(onEvent.Lock(0));
    EXPECT_TRUE(onEvent.Unlock(1, nullptr));

    auto mutex = CreateMutexHandle();
    MutexHandle* rawMutex = mutex.get();
    HandleLock onMutex(std::move(mutex));
    // The owner ends without releasing: the next waiter gets the mutex, abandoned.
    std::thread([&] { EXPECT_EQ(rawMutex->Wait(kInfinite), kWaitObject0); }).join();
    EXPECT_TRUE(onMutex.Lock(0));
    rawMutex->ReleaseMutex();

    HandleLock none;
    EXPECT_FALSE(none.Lock(0));
}

TEST(CZemCriticalSectionObject, IsReentrantAndHeldUntilFullyUnlocked) {
    CZemCriticalSectionObject lock;
    ASSERT_TRUE(lock.Lock());
    ASSERT_TRUE(lock.Lock(0));

    std::atomic<bool> acquired = false;
    std::thread other([&] {
        // A zero timeout still waits for the holder.
        EXPECT_TRUE(lock.Lock(0));
        acquired = true;
        lock.Unlock();
    });
    Sleep(50);
    EXPECT_FALSE(acquired);
    EXPECT_TRUE(lock.Unlock());
    Sleep(50);
    EXPECT_FALSE(acquired);  // locked twice, unlocked once: still held
    EXPECT_TRUE(lock.Unlock());
    other.join();
    EXPECT_TRUE(acquired);
}

}  // namespace
}  // namespace zem
