#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "support/child_process.h"
#include "support/environment.h"
#include "support/test_home.h"

namespace zem {
namespace {

// The other process of the test below: locks the file ZEM_TEST_LOCK names, makes the file
// ZEM_TEST_LOCK_TAKEN names once it holds the lock, and waits to be killed.
TEST(FileLockTest, DISABLED_HolderInAnotherProcess) {
    FileLock held;
    ASSERT_TRUE(held.TryLockExisting(FromUtf8(test::GetEnv("ZEM_TEST_LOCK").value())));
    FileLock taken;
    ASSERT_TRUE(taken.CreateLocked(FromUtf8(test::GetEnv("ZEM_TEST_LOCK_TAKEN").value())));
    std::this_thread::sleep_for(std::chrono::minutes(2));
}

// A lock is held until released, by whichever handle took it, and the system drops it with
// the process that held it, however that process ends.
TEST(FileLockTest, HeldUntilReleasedOrItsProcessEnds) {
    const std::string folder = test::MakeTestFolder("lock");
    const Text path = FromUtf8(folder + "/run.lock");
    FileLock missing;
    EXPECT_FALSE(missing.TryLockExisting(path));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotFound);

    FileLock owner, other;
    ASSERT_TRUE(owner.CreateLocked(path));
    EXPECT_FALSE(other.CreateLocked(path));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kAlreadyExists);
    EXPECT_FALSE(other.TryLockExisting(path));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kLocked);
    EXPECT_FALSE(other.IsHeld());
    owner.Release();
    EXPECT_TRUE(PathExists(path));
    ASSERT_TRUE(other.TryLockExisting(path));
    other.Release();

    const std::string taken = folder + "/taken";
    test::StartedProgram holder(
        ToUtf8(GetExecutablePath()),
        {"--gtest_also_run_disabled_tests",
         "--gtest_filter=FileLockTest.DISABLED_HolderInAnotherProcess"},
        {.environment = {{"ZEM_TEST_LOCK", ToUtf8(path)}, {"ZEM_TEST_LOCK_TAKEN", taken}}});
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!PathExists(FromUtf8(taken)) && holder.Running() &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(PathExists(FromUtf8(taken))) << holder.Wait().output;
    EXPECT_TRUE(IsProcessRunning(holder.ProcessId()));
    EXPECT_FALSE(other.TryLockExisting(path));
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kLocked);
    holder.Kill();
    holder.Wait();
    EXPECT_FALSE(IsProcessRunning(holder.ProcessId()));
    EXPECT_TRUE(other.TryLockExisting(path));

    EXPECT_TRUE(IsProcessRunning(GetCurrentProcessId()));
    EXPECT_FALSE(IsProcessRunning(0));
}

}  // namespace
}  // namespace zem
