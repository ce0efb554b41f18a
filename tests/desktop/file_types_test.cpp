// The shared-mime-info entries of data/linux/cellwatch-mime.xml, read the way a Qt file manager
// reads them: installed into a scratch data folder beside another program's types that claim the
// same extensions, so that the files' contents must decide.
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr const char* kScript = "application/x-cellwatch-script";
constexpr const char* kSymbols = "application/x-cellwatch-symbols";

// Batch files and schematic symbols: the other programs that use .cmd and .sym. Both are kinds of
// text, as those files are.
constexpr const char* kOtherTypes = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/x-other-batch">
    <comment>batch file</comment><sub-class-of type="text/plain"/><glob pattern="*.cmd"/>
  </mime-type>
  <mime-type type="application/x-other-symbol">
    <comment>schematic symbol</comment><sub-class-of type="text/plain"/><glob pattern="*.sym"/>
  </mime-type>
</mime-info>
)";

class FileTypesTest : public ::testing::Test {
protected:
    // Once for all the tests: QMimeDatabase looks for its folders only once. What went wrong is
    // kept for SetUp, since a failure here would only skip the tests.
    static void SetUpTestSuite() {
        data_ = std::make_unique<QTemporaryDir>();
        if (!data_->isValid()) {
            setUpError_ = "no scratch folder";
            return;
        }
        const QString packages = data_->filePath("mime/packages");
        QFile other(packages + "/other.xml");
        if (!QDir().mkpath(packages) ||
            !QFile::copy(QStringLiteral(CELLWATCH_SOURCE_DIR "/data/linux/cellwatch-mime.xml"),
                         packages + "/cellwatch.xml") ||
            !other.open(QIODevice::WriteOnly) || other.write(kOtherTypes) < 0) {
            setUpError_ = "the type files could not be laid out";
            return;
        }
        other.close();
        ::setenv("XDG_DATA_HOME", data_->path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
        // update-mime-database complains on standard error about entries it cannot read.
        QProcess update;
        update.start(QStringLiteral(CELLWATCH_UPDATE_MIME_DATABASE), {data_->filePath("mime")});
        if (!update.waitForFinished(60000) || update.exitCode() != 0)
            setUpError_ = "update-mime-database failed: ";
        else if (const QByteArray complaints = update.readAllStandardError(); !complaints.isEmpty())
            setUpError_ = "update-mime-database complained: " + complaints.toStdString();
    }
    static void TearDownTestSuite() { data_.reset(); }
    void SetUp() override { ASSERT_TRUE(setUpError_.empty()) << setUpError_; }

    // The type of a file of that name holding that text.
    static std::string typeOf(const QString& name, const QByteArray& text) {
        const QString path = data_->filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        return QMimeDatabase().mimeTypeForFile(path).name().toStdString();
    }
    static std::string typeOfExample(const QString& name) {
        QFile file(QStringLiteral(CELLWATCH_SOURCE_DIR "/examples/") + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return typeOf(name, file.readAll());
    }

    static std::unique_ptr<QTemporaryDir> data_;
    static std::string setUpError_;
};

std::unique_ptr<QTemporaryDir> FileTypesTest::data_;
std::string FileTypesTest::setUpError_;

TEST_F(FileTypesTest, ScriptsAreOursByTheirCommentsOrMarkers) {
    // Saved scripts start with the generated header.
    EXPECT_EQ(typeOfExample("counter8.cmd"), kScript);
    EXPECT_EQ(typeOfExample("cbuf_counter.cmd"), kScript);
    // A marker line first, or comment lines and then a marker.
    EXPECT_EQ(typeOf("blank.cmd", "|GRT_SYMBOL_TABLE \"design.sym\"\nreset\n"), kScript);
    EXPECT_EQ(typeOf("hand.cmd", "| my test\r\n| second line\r\n|GRT_SYMBOL_TABLE \"a.sym\"\r\nreset\r\n"),
              kScript);
    // Comment lines alone are enough to settle a shared extension.
    EXPECT_EQ(typeOf("notes.cmd", "| hand written\nreset\n"), kScript);
}

TEST_F(FileTypesTest, OtherProgramsCmdFilesStayTheirs) {
    EXPECT_NE(typeOf("build.cmd", "@echo off\r\nrem build | all\r\ncall make.bat\r\n"), kScript);
    EXPECT_NE(typeOf("setup.cmd", "echo |GRT_ is not at the start\n"), kScript);
}

TEST_F(FileTypesTest, SymbolTablesAreOursByTheirRecords) {
    EXPECT_EQ(typeOfExample("counter8.sym"), kSymbols);
    EXPECT_EQ(typeOfExample("shift16.sym"), kSymbols);
    // Records first, no comment; a column record first.
    EXPECT_EQ(typeOf("bare.sym", "S top\\a 0 0 1 0 R S=\nS top\\b 0 0 1 1 R S=\n"), kSymbols);
    EXPECT_EQ(typeOf("column.sym", "C top\\bus 4 0xff 0 W\nS top\\a 0 0 1 0 R S=\n"), kSymbols);
}

TEST_F(FileTypesTest, OtherProgramsSymFilesStayTheirs) {
    // A schematic symbol and a debugger's symbol list.
    EXPECT_NE(typeOf("gate.sym", "v 20130925 2\nL 300 200 300 800 3 0 0 0 -1 -1\nP 0 400 300 400 1\n"), kSymbols);
    EXPECT_NE(typeOf("kernel.sym", "# symbols\n00001000 T _start\n00001010 T main\n"), kSymbols);
}

TEST_F(FileTypesTest, FilesWithoutOurExtensionGoByTheirContents) {
    EXPECT_EQ(typeOf("counter", "|GRT_SYMBOL_TABLE \"counter.sym\"\nreset\n"), kScript);
    EXPECT_EQ(typeOf("design", "# a design\nS top\\a 0 0 1 0 R S=\nS top\\b 0 0 1 1 R S=\n"), kSymbols);
    EXPECT_NE(typeOf("notes", "reset the board first\n"), kScript);
    // Another extension keeps its own type whatever the file holds.
    EXPECT_NE(typeOf("counter.txt", "|GRT_SYMBOL_TABLE \"counter.sym\"\n"), kScript);
}

} // namespace
