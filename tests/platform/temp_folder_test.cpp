#include "platform/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cellwatch {
namespace {

class TempFolderTest : public ::testing::Test {
protected:
    QTemporaryDir base;
    std::string basePath() const { return base.path().toStdString(); }
    static void touch(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }
};

TEST_F(TempFolderTest, PrepareMakesHlcTempAndAPrivateFolderRemovedAtTheEnd) {
    std::string privatePath;
    {
        TempFolder folder(basePath());
        EXPECT_EQ(folder.path(), "");
        ASSERT_TRUE(folder.prepare());
        EXPECT_EQ(folder.path(), basePath() + "/HLC_temp");
        privatePath = folder.privatePath();
        EXPECT_EQ(privatePath.rfind(folder.path() + "/", 0), 0u);
        EXPECT_TRUE(QFileInfo(QString::fromStdString(privatePath)).isDir());
        EXPECT_TRUE(folder.prepare()); // again: same folders
        EXPECT_EQ(folder.privatePath(), privatePath);
        touch(QString::fromStdString(privatePath) + "/cache.dat");
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(privatePath)));
    EXPECT_TRUE(QFileInfo(base.filePath("HLC_temp")).isDir());
}

TEST_F(TempFolderTest, BaseWithTrailingSeparatorGetsNoSecondOne) {
    TempFolder folder(basePath() + "/");
    ASSERT_TRUE(folder.prepare());
    EXPECT_EQ(folder.path(), basePath() + "/HLC_temp");
}

TEST_F(TempFolderTest, TwoProcessesNeverShareAPrivateFolder) {
    TempFolder one(basePath());
    TempFolder two(basePath());
    ASSERT_TRUE(one.prepare());
    ASSERT_TRUE(two.prepare());
    EXPECT_EQ(one.path(), two.path());
    EXPECT_NE(one.privatePath(), two.privatePath());
    // Preparing the second must not take the first one's live folder.
    EXPECT_TRUE(QFileInfo(QString::fromStdString(one.privatePath())).isDir());
}

TEST_F(TempFolderTest, PrivateFolderOfADeadProcessIsRemoved) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TempFolder* leaked = new TempFolder(basePath()); // dies without clean-up, like a crash
        _exit(leaked->prepare() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QDir hlc(base.filePath("HLC_temp"));
    ASSERT_EQ(hlc.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);

    TempFolder mine(basePath());
    ASSERT_TRUE(mine.prepare());
    const QStringList left = hlc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(hlc.filePath(left.front()).toStdString(), mine.privatePath());
}

TEST_F(TempFolderTest, SweepNeverFollowsALinkOutOfTheScratchFolder) {
    // Three private folders of dead processes: alive together while they prepare, so that none
    // sweeps another's, then gone.
    const QDir hlc(base.filePath("HLC_temp"));
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 3; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(release[1]);
            ::close(ready[0]);
            TempFolder* leaked = new TempFolder(basePath());
            const char ok = leaked->prepare() ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            char end;
            (void)!::read(release[0], &end, 1); // until the parent closes its end
            _exit(0);
        }
        children.push_back(child);
    }
    for (int i = 0; i < 3; ++i) {
        char ok = 0;
        ASSERT_EQ(::read(ready[0], &ok, 1), 1);
        ASSERT_EQ(ok, 1);
    }
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
    for (const pid_t child : children)
        waitpid(child, nullptr, 0);
    QStringList dead = hlc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(dead.size(), 3);

    // One moves out and is reached through a run-* link; one holds a link to a folder outside; the
    // third, when the test may give it away, belongs to another user.
    QTemporaryDir outside;
    const QString victim = outside.filePath("victim");
    ASSERT_TRUE(QDir().rename(hlc.filePath(dead[0]), victim));
    touch(victim + "/precious.txt");
    ASSERT_TRUE(QFile::link(victim, hlc.filePath("run-link")));
    ASSERT_TRUE(QDir().mkpath(outside.filePath("kept")));
    touch(outside.filePath("kept/keep.txt"));
    ASSERT_TRUE(QFile::link(outside.filePath("kept"), hlc.filePath(dead[1]) + "/inner-link"));
    const bool foreign =
        ::geteuid() == 0 && ::chown(QFile::encodeName(hlc.filePath(dead[2])).constData(), 65534, 65534) == 0;

    TempFolder mine(basePath());
    ASSERT_TRUE(mine.prepare());
    EXPECT_TRUE(QFileInfo::exists(victim + "/precious.txt"));
    EXPECT_TRUE(QFileInfo::exists(victim + "/owner.lock"));
    EXPECT_TRUE(QFileInfo(hlc.filePath("run-link")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(hlc.filePath(dead[1])));
    EXPECT_TRUE(QFileInfo::exists(outside.filePath("kept/keep.txt")));
    EXPECT_EQ(QFileInfo::exists(hlc.filePath(dead[2])), foreign);
}

TEST_F(TempFolderTest, APrivateFolderIsHeldByAPlainLockThatEveryCopySeesAsHeld) {
    TempFolder mine(basePath());
    ASSERT_TRUE(mine.prepare());
    const QString lockPath = QString::fromStdString(mine.privatePath()) + "/owner.lock";
    ASSERT_TRUE(QFileInfo(lockPath).isFile());
    EXPECT_EQ(QDir(QString::fromStdString(mine.privatePath()))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"owner.lock"})
        << "the lock file is the only thing there, under its own name";

    // Another process cannot take the lock while this one lives.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(lockPath.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        _exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the lock was free";
    // Earlier versions look with QLockFile, which must not take the folder of a live owner either.
    QLockFile earlier(lockPath);
    earlier.setStaleLockTime(0);
    EXPECT_FALSE(earlier.tryLock(0));
    EXPECT_TRUE(QFileInfo(lockPath).isFile());

    // A folder an earlier version holds with QLockFile stays; one whose owner is gone does not.
    const QDir hlc(base.filePath("HLC_temp"));
    ASSERT_TRUE(hlc.mkdir("run-held") && hlc.mkdir("run-dead"));
    QLockFile held(hlc.filePath("run-held/owner.lock"));
    ASSERT_TRUE(held.tryLock(0));
    touch(hlc.filePath("run-dead/owner.lock"));
    TempFolder next(basePath());
    ASSERT_TRUE(next.prepare());
    EXPECT_TRUE(hlc.exists("run-held"));
    EXPECT_FALSE(hlc.exists("run-dead"));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(mine.privatePath())));
}

TEST_F(TempFolderTest, UniqueFilesAreEmptyAndHlcPrefixed) {
    TempFolder folder(basePath());
    EXPECT_EQ(folder.createUniqueFile(), ""); // not prepared
    ASSERT_TRUE(folder.prepare());
    const std::string a = folder.createUniqueFile();
    const std::string b = folder.createUniqueFile();
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    const QFileInfo info(QString::fromStdString(a));
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.size(), 0);
    EXPECT_EQ(info.absolutePath().toStdString(), folder.path());
    EXPECT_TRUE(info.fileName().startsWith("HLC"));
    EXPECT_TRUE(info.fileName().endsWith(".tmp"));
}

TEST_F(TempFolderTest, LeftoverCleanUpTakesOnlyHlcTmpAndVcd) {
    TempFolder folder(basePath());
    ASSERT_TRUE(folder.prepare());
    const QString hlc = QString::fromStdString(folder.path());
    const std::string tmp = folder.createUniqueFile();
    std::string vcd = tmp;
    vcd.replace(vcd.size() - 3, 3, "vcd");
    touch(QString::fromStdString(vcd));
    for (const char* keep : {"notes.tmp", "hlcx.vcd", "HLC1.txt", "cache.dat"})
        touch(hlc + "/" + keep);
    touch(QString::fromStdString(folder.privatePath()) + "/HLCinside.tmp");

    EXPECT_EQ(folder.removeLeftovers(), 2);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(tmp)));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(vcd)));
    for (const char* keep : {"notes.tmp", "hlcx.vcd", "HLC1.txt", "cache.dat"})
        EXPECT_TRUE(QFileInfo::exists(hlc + "/" + keep)) << keep;
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(folder.privatePath()) + "/HLCinside.tmp"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder.privatePath())).isDir());
}

TEST_F(TempFolderTest, UnusableBaseFailsToPrepare) {
    TempFolder folder("/proc/cellwatch-no-such-place");
    EXPECT_FALSE(folder.prepare());
    EXPECT_EQ(folder.path(), "");
    EXPECT_EQ(folder.createUniqueFile(), "");
    EXPECT_EQ(folder.removeLeftovers(), 0);
    EXPECT_FALSE(TempFolder::defaultBase().empty());
}

} // namespace
} // namespace cellwatch
