// The shared-mime-info entries of data/linux/cellwatch-mime.xml, read the way a Qt file manager
// reads them: installed into a scratch data folder beside another program's types that claim the
// same extensions, so that the files' contents must decide.
#include <QCoreApplication>
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

constexpr const char* kScript = "text/x-cellwatch-script";
constexpr const char* kSymbols = "text/x-cellwatch-symbols";

// Batch files and schematic symbols: the other programs that use .cmd and .sym.
constexpr const char* kOtherTypes = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-other-batch"><glob pattern="*.cmd"/></mime-type>
  <mime-type type="application/x-other-symbol"><glob pattern="*.sym"/></mime-type>
</mime-info>
)";

class FileTypesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        data_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(data_->isValid());
        const QString packages = data_->filePath("mime/packages");
        ASSERT_TRUE(QDir().mkpath(packages));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CELLWATCH_SOURCE_DIR "/data/linux/cellwatch-mime.xml"),
                                packages + "/cellwatch.xml"));
        QFile other(packages + "/other.xml");
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write(kOtherTypes);
        other.close();
        // A malformed entry makes update-mime-database complain and skip it.
        QProcess update;
        update.start(QStringLiteral(CELLWATCH_UPDATE_MIME_DATABASE), {data_->filePath("mime")});
        ASSERT_TRUE(update.waitForFinished(60000));
        ASSERT_EQ(update.exitCode(), 0) << update.readAllStandardError().toStdString();
        ASSERT_TRUE(update.readAllStandardError().isEmpty()) << "the entries are not clean";
        // Before the first QMimeDatabase: it looks for its folders once.
        ::setenv("XDG_DATA_HOME", data_->path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
    }
    static void TearDownTestSuite() { data_.reset(); }

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
};

std::unique_ptr<QTemporaryDir> FileTypesTest::data_;

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
    EXPECT_NE(typeOf("empty.cmd", ""), kScript);
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

TEST_F(FileTypesTest, TheTypesAreTextSoEditorsStillOpenThem) {
    const QMimeDatabase types;
    EXPECT_TRUE(types.mimeTypeForName(kScript).inherits(QStringLiteral("text/plain")));
    EXPECT_TRUE(types.mimeTypeForName(kSymbols).inherits(QStringLiteral("text/plain")));
    EXPECT_FALSE(types.mimeTypeForName(kScript).comment().isEmpty());
}

} // namespace
