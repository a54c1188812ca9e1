#include "platform/wait_handle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zem {
namespace {

TEST(EventTest, AutoResetLetsOneWaiterThroughManualResetStaysSet) {
    auto autoEvent = CreateEventHandle(false, true);
    EXPECT_EQ(autoEvent->Wait(0), kWaitObject0);
    EXPECT_EQ(autoEvent->Wait(0), kWaitTimeout);
    EXPECT_EQ(autoEvent->Wait(10), kWaitTimeout);

    auto manual = CreateEventHandle(true, false);
    EXPECT_EQ(manual->Wait(0), kWaitTimeout);
    manual->Set();
    EXPECT_EQ(manual->Wait(0), kWaitObject0);
    EXPECT_EQ(manual->Wait(kInfinite), kWaitObject0);
    manual->Reset();
    EXPECT_EQ(manual->Wait(0), kWaitTimeout);
}

TEST(EventTest, AnotherThreadWakesTheWaiter) {
    auto event = CreateEventHandle(false, false);
    std::atomic<uint32_t> result{0xDEAD};
    std::thread waiter([&] { result = event->Wait(kInfinite); });
    event->Set();
    waiter.join();
    EXPECT_EQ(result, kWaitObject0);
    EXPECT_EQ(event->Wait(0), kWaitTimeout);
}

TEST(MutexTest, OwnerMayReenterOthersWaitAndOnlyTheOwnerReleases) {
    auto mutex = CreateMutexHandle();
    ASSERT_EQ(mutex->Wait(0), kWaitObject0);
    ASSERT_EQ(mutex->Wait(0), kWaitObject0);
    uint32_t other = 0;
    bool released = true;
    std::thread([&] {
        other = mutex->Wait(0);
        released = mutex->ReleaseMutex();
    }).join();
    EXPECT_EQ(other, kWaitTimeout);
    EXPECT_FALSE(released);
    EXPECT_TRUE(mutex->ReleaseMutex());
    std::thread([&] { other = mutex->Wait(0); }).join();
    EXPECT_EQ(other, kWaitTimeout);  // still held once
    EXPECT_TRUE(mutex->ReleaseMutex());
    std::thread([&] {
        other = mutex->Wait(20);
        mutex->ReleaseMutex();
    }).join();
    EXPECT_EQ(other, kWaitObject0);
}

TEST(MutexTest, OwnerEndingWithoutReleaseAbandonsTheMutex) {
    auto mutex = CreateMutexHandle();
    std::thread([&] { ASSERT_EQ(mutex->Wait(kInfinite), kWaitObject0); }).join();
    EXPECT_EQ(mutex->Wait(0), kWaitAbandoned);
    // Now owned normally by this thread.
    EXPECT_TRUE(mutex->ReleaseMutex());
    EXPECT_EQ(mutex->Wait(0), kWaitObject0);
    EXPECT_TRUE(mutex->ReleaseMutex());
}

}  // namespace
}  // namespace zem
