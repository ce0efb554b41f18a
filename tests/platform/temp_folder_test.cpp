#include "platform/owner_lock.h"
#include "platform/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(TempFolderTest, TheOwnerLockIsWhatQLockFileWritesAndReadsAsHeld) {
    // Other copies, of this version or an earlier one, look at a private folder with QLockFile.
    const QString qtPath = base.filePath("qt.lock");
    QByteArray qtBytes;
    {
        QLockFile qt(qtPath);
        ASSERT_TRUE(qt.tryLock(0));
        QFile file(qtPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        qtBytes = file.readAll();
    }
    const QString path = base.filePath("owner.lock");
    OwnerLock mine;
    ASSERT_TRUE(mine.take(path.toStdString()));
    EXPECT_FALSE(OwnerLock().take(path.toStdString())) << "a lock held is not taken twice";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), qtBytes);
    QLockFile other(path);
    other.setStaleLockTime(0);
    EXPECT_FALSE(other.tryLock(0)) << "the owner lives";
    EXPECT_EQ(other.error(), QLockFile::LockFailedError);
    mine.release();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(other.tryLock(0));
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
