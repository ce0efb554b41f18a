#include "platform/file_save.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace cellwatch {
namespace {

class FileSaveTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string pathOf(const char* name) const { return dir.filePath(name).toStdString(); }
    static QByteArray contents(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
};

TEST_F(FileSaveTest, WritesNewFileAndReplacesOldOne) {
    const std::string path = pathOf("run.log");
    std::string bytes("line one\r\nline two\r\n");
    bytes += '\0';
    bytes += "\xFF";
    SaveStatus status = saveFileAtomically(path, bytes);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_TRUE(status.error.empty());
    EXPECT_EQ(contents(path), QByteArray(bytes.data(), qsizetype(bytes.size())));

    status = saveFileAtomically(path, "short");
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(contents(path), "short");
    status = saveFileAtomically(path, "");
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(contents(path), "");
    // No temporary file is left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(FileSaveTest, FailureNamesTheFileAndLeavesNothingBehind) {
    const std::string path = pathOf("missing-folder/out.vcd");
    const SaveStatus status = saveFileAtomically(path, "data");
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find(path), std::string::npos) << status.error;
    EXPECT_FALSE(saveFileAtomically("", "data").ok);
    // A folder in the target's place is not replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    EXPECT_FALSE(saveFileAtomically(pathOf("taken"), "data").ok);
    EXPECT_TRUE(QFileInfo(dir.filePath("taken")).isDir());
}

} // namespace
} // namespace cellwatch
