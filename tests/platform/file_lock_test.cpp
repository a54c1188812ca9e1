#include "platform/file_lock.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/system_info.h"
#include "support/test_home.h"

namespace zem {
namespace {

// A lock is held until released, by whichever descriptor took it, and the system drops it
// with the process that held it, however that process ends.
TEST(FileLockTest, HeldUntilReleasedOrItsProcessEnds) {
    const Text path = FromUtf8(test::MakeTestFolder("lock") + "/run.lock");
    FileLock missing;
    EXPECT_FALSE(missing.TryLockExisting(path));
    EXPECT_EQ(GetLastErrorCode(), ENOENT);

    FileLock owner, other;
    ASSERT_TRUE(owner.CreateLocked(path));
    EXPECT_FALSE(other.CreateLocked(path));
    EXPECT_EQ(GetLastErrorCode(), EEXIST);
    EXPECT_FALSE(other.TryLockExisting(path));
    EXPECT_EQ(GetLastErrorCode(), EWOULDBLOCK);
    EXPECT_FALSE(other.IsHeld());
    owner.Release();
    EXPECT_TRUE(PathExists(path));
    ASSERT_TRUE(other.TryLockExisting(path));
    other.Release();

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        FileLock held;
        const char answer = held.TryLockExisting(path) ? 'y' : 'n';
        (void)!write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_TRUE(IsProcessRunning(static_cast<uint32_t>(child)));
    EXPECT_FALSE(other.TryLockExisting(path));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(IsProcessRunning(static_cast<uint32_t>(child)));
    EXPECT_TRUE(other.TryLockExisting(path));

    EXPECT_TRUE(IsProcessRunning(GetCurrentProcessId()));
    EXPECT_FALSE(IsProcessRunning(0));
}

}  // namespace
}  // namespace zem
