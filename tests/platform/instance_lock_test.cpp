#include "platform/instance_lock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace cellwatch {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder() const { return dir.path().toStdString(); }
};

TEST_F(InstanceLockTest, SecondLockInThisProcessFailsUntilTheFirstIsReleased) {
    InstanceLock first(folder());
    ASSERT_TRUE(first.tryLock());
    EXPECT_TRUE(first.tryLock()); // taking it again is harmless

    InstanceLock second(folder());
    EXPECT_FALSE(second.tryLock());
    EXPECT_NE(second.errorText().find("held by"), std::string::npos) << second.errorText();

    first.unlock();
    EXPECT_TRUE(second.tryLock());
}

TEST_F(InstanceLockTest, LockHeldByAnotherProcessBlocks) {
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock(folder());
        const char ready = lock.tryLock() ? 'y' : 'n';
        (void)!write(toParent[1], &ready, 1);
        char go = 0;
        (void)!read(toChild[0], &go, 1); // hold the lock until the parent has tried
        _exit(0);
    }
    char ready = 0;
    ASSERT_EQ(read(toParent[0], &ready, 1), 1);
    ASSERT_EQ(ready, 'y');
    InstanceLock mine(folder());
    EXPECT_FALSE(mine.tryLock());
    const char go = 'g';
    ASSERT_EQ(write(toChild[1], &go, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        close(fd);
    // The child ended without unlocking: what it left behind is stale.
    EXPECT_TRUE(mine.tryLock()) << mine.errorText();
}

TEST_F(InstanceLockTest, UnwritableFolderFailsWithAReason) {
    InstanceLock lock("/proc/cellwatch-no-such-place");
    EXPECT_FALSE(lock.tryLock());
    EXPECT_FALSE(lock.errorText().empty());
    EXPECT_FALSE(InstanceLock::defaultFolder().empty());
}

} // namespace
} // namespace cellwatch
