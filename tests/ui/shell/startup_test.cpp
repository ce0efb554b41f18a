// Start-up and the ways files reach the window from outside: a second copy of the program handing
// its file over, files dropped on the window, the recent-file list, and the exit clean-up.

#include "frame_fixture.h"

#include "platform/instance_lock.h"
#include "ui/shell/cmd_list.h"
#include "ui/shell/desktop.h"
#include "ui/shell/instance_channel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QLocalSocket>
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

// Hands files over as second copies do, without waiting for the answer: this process is the one
// that answers, so the wait happens in the event loop until the channel has read each file.
bool handOverFiles(InstanceChannel& channel, const QString& socket, const QStringList& files) {
    QSignalSpy received(&channel, &InstanceChannel::fileReceived);
    for (const QString& file : files) {
        const qsizetype before = received.size();
        QLocalSocket sender;
        sender.connectToServer(socket);
        if (!sender.waitForConnected(5000))
            return false;
        sender.write(file.toUtf8() + '\n');
        sender.flush();
        QDeadlineTimer deadline(10000);
        while (received.size() == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (received.size() == before)
            return false;
    }
    // The channel's queued hand-over calls.
    QCoreApplication::processEvents();
    return true;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondCopyHandsItsFileToTheRunningOne();
    void handOversWaitForTheOpenDialog();
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

void StartupTest::handOversWaitForTheOpenDialog() {
    WindowBench bench;
    const QString socket = bench.dir.filePath(QStringLiteral("handover.socket"));
    InstanceChannel channel(socket);
    QVERIFY(channel.isListening());
    connectHandOver(channel, *bench.app);
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.action(FrameCommand::CbufAssign)->trigger(); // an unsaved edit
    const CWizDoc* session = bench.doc();

    // A file arrives while "Close" asks about the unsaved script: nothing opens inside the question,
    // the session stays while its question is open, and the file opens once the question is gone.
    bool inside = false;
    bench.asker->whileAsking = [&] {
        inside = handOverFiles(channel, socket, {QString::fromStdString(bench.path("lfsr4.cmd"))});
        QVERIFY(bench.doc() == session);
        QCOMPARE(bench.asker->said.size(), std::size_t(1));
    };
    bench.asker->answers = {Answer::No};
    bench.action(FrameCommand::Close)->trigger();
    QVERIFY(inside);
    QCOMPARE(bench.asker->deepestNesting, 1);
    QTRY_VERIFY(scriptOf(bench) != nullptr && *scriptOf(bench) == bench.path("lfsr4.cmd"));
    QCOMPARE(bench.asker->said, std::vector<std::string>{
                                    "Command script has been modified. Do you wish to save before closing?"});

    // A burst of files while the command line's question is open: still one question at a time, and
    // of the files held only the newest opens, after one "already open" question.
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.append("counter8.cmd", "cycle 5000\n");
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.action(FrameCommand::RunTest)->trigger();
    bench.action(FrameCommand::PauseTest)->trigger();
    QStringList burst;
    for (int i = 0; i < 300; ++i)
        burst << QString::fromStdString(bench.path(i % 2 == 0 ? "lfsr4.cmd" : "shift16.cmd"));
    bench.asker->said.clear();
    bench.asker->deepestNesting = 0;
    bench.asker->whileAsking = [&] { inside = handOverFiles(channel, socket, burst); };
    bench.asker->answers = {Answer::No, Answer::Yes};
    inside = false;
    bench.frame().cmdList()->setEditText(QStringLiteral("echo \"typed\""));
    bench.frame().OnTypedCommand();
    QVERIFY(inside);
    QCOMPARE(bench.asker->deepestNesting, 1);
    QCOMPARE(bench.doc()->runState(), RunState::Paused);
    QTRY_VERIFY(scriptOf(bench) != nullptr && *scriptOf(bench) == bench.path("shift16.cmd"));
    QCOMPARE(bench.asker->said,
             (std::vector<std::string>{"Are you sure you want to use the command line? This will stop the "
                                       "currently paused session.",
                                       "You already have a document open. Would you like to close it?"}));
    QVERIFY(!bench.app->heldHandOver());
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
