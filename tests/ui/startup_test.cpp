// Start-up and the ways files reach the window from outside: a second copy of the program handing
// its file over, files dropped on the window, the recent-file list, and the exit clean-up.

#include "frame_fixture.h"

#include "platform/instance_lock.h"
#include "ui/desktop.h"
#include "ui/instance_channel.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>

using namespace cellwatch;

namespace {

// Runs the program as a second copy would be run, in the test's own environment. The event loop runs
// meanwhile, so this process's window can answer it.
int runSecondCopy(const QStringList& arguments) {
    QProcess copy;
    QSignalSpy finished(&copy, &QProcess::finished);
    copy.start(QStringLiteral(CELLWATCH_PROGRAM), arguments);
    if (!finished.wait(30000))
        return -1;
    return copy.exitStatus() == QProcess::NormalExit ? copy.exitCode() : -1;
}

bool drop(QWidget& target, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &dropped);
    return dropped.isAccepted();
}

const std::string* scriptOf(const WindowBench& bench) {
    return bench.doc() != nullptr ? bench.doc()->scriptPath() : nullptr;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondCopyHandsItsFileToTheRunningOne();
    void droppedAndRecentFilesOpenAsOpenWould();
    void exitRemovesTheViewersTemporaryFiles();
};

void StartupTest::secondCopyHandsItsFileToTheRunningOne() {
    // The lock and the socket must be this test's, never those of a copy the user is running.
    InstanceLock lock;
    QVERIFY(QString::fromStdString(lock.lockFilePath()).startsWith(QDir::homePath()));
    QVERIFY2(lock.tryLock(), lock.errorText().c_str());
    InstanceChannel channel(InstanceChannel::socketPath());
    QVERIFY(channel.isListening());

    WindowBench bench;
    connectHandOver(channel, *bench.app);
    bench.app->OpenSessionFile(bench.path("lfsr4.cmd"));

    // A second copy without a file just ends; with one, it hands the file over and ends.
    QCOMPARE(runSecondCopy({}), 0);
    bench.asker->answers = {Answer::Yes};
    QCOMPARE(runSecondCopy({QString::fromStdString(bench.path("counter8.cmd"))}), 0);
    QTRY_VERIFY(scriptOf(bench) != nullptr && *scriptOf(bench) == bench.path("counter8.cmd"));
    QCOMPARE(bench.asker->said.back(),
             std::string("You already have a document open. Would you like to close it?"));

    // Answering No keeps the session that is open.
    bench.asker->answers = {Answer::No};
    const std::size_t asked = bench.asker->said.size();
    QCOMPARE(runSecondCopy({QString::fromStdString(bench.path("shift16.cmd"))}), 0);
    QTRY_COMPARE(bench.asker->said.size(), asked + 1);
    QCOMPARE(*scriptOf(bench), bench.path("counter8.cmd"));
}

void StartupTest::droppedAndRecentFilesOpenAsOpenWould() {
    WindowBench bench;
    QVERIFY(!drop(bench.frame(), QString::fromStdString(bench.path("counter8.cal"))));
    QVERIFY(drop(bench.frame(), QString::fromStdString(bench.path("lfsr4.cmd"))));
    QTRY_VERIFY(scriptOf(bench) != nullptr);
    bench.asker->answers = {Answer::Yes};
    QVERIFY(drop(bench.frame(), QString::fromStdString(bench.path("counter8.cmd"))));
    QTRY_VERIFY(*scriptOf(bench) == bench.path("counter8.cmd"));

    // Newest first, in the menu and in the settings.
    QCOMPARE(bench.app->recentFiles(),
             (std::vector<std::string>{bench.path("counter8.cmd"), bench.path("lfsr4.cmd")}));
    QCOMPARE(bench.settings.readString("Recent File List", "File2", ""), bench.path("lfsr4.cmd"));
    QCOMPARE(bench.frame().recentAction(0)->text(),
             QStringLiteral("&1 %1").arg(QString::fromStdString(bench.path("counter8.cmd"))));
    QVERIFY(bench.frame().recentAction(1)->isVisible());
    QVERIFY(!bench.frame().recentAction(2)->isVisible());

    // A recent entry asks before it closes the session; one that no longer opens leaves the list.
    bench.asker->answers = {Answer::Yes};
    bench.frame().recentAction(1)->trigger();
    QCOMPARE(*scriptOf(bench), bench.path("lfsr4.cmd"));
    QVERIFY(QFile::remove(QString::fromStdString(bench.path("counter8.cmd"))));
    bench.asker->answers = {Answer::Yes};
    bench.frame().recentAction(1)->trigger();
    QVERIFY(bench.doc() == nullptr);
    QCOMPARE(bench.app->recentFiles(), std::vector<std::string>{bench.path("lfsr4.cmd")});
    QCOMPARE(bench.settings.readString("Recent File List", "File2", "absent"), std::string("absent"));
    QVERIFY(!bench.frame().recentAction(1)->isVisible());

    // The next start lists what this one left.
    CWizApp next(bench.settings, bench.temp);
    next.setAsker(std::make_unique<ScriptedAsker>());
    CWizApp::StartOptions options;
    options.splash = false;
    options.show = false;
    QVERIFY(next.InitInstance(options));
    QCOMPARE(next.recentFiles(), std::vector<std::string>{bench.path("lfsr4.cmd")});
}

void StartupTest::exitRemovesTheViewersTemporaryFiles() {
    auto bench = std::make_unique<WindowBench>();
    const QDir folder(QString::fromStdString(bench->app->tempFolder()));
    for (const char* name : {"HLC1A2B.tmp", "HLC1A2B.vcd", "keep.vcd"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    bench->app.reset();
    QCOMPARE(folder.entryList(QDir::Files), QStringList{QStringLiteral("keep.vcd")});
}

int main(int argc, char** argv) {
    prepareRuntimeFolder();
    QApplication application(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"
