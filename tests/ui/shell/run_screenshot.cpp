// Makes the picture of a long run in progress for docs/gui.md: counter8 with three million cycles
// appended, F5, and the main window saved while the run goes (progress bar, log following). The
// examples are copied into a scratch folder that becomes the working folder, and the session is opened
// by its bare file name, so no folder of the machine shows in any title. Run it offscreen:
//   QT_QPA_PLATFORM=offscreen run_screenshot OUTPUT.png

#include "app/cwiz_doc.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/run_monitor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTemporaryDir>

#include <memory>

using namespace cellwatch;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir scratch;
    const QDir examples(QStringLiteral(CELLWATCH_SOURCE_DIR "/examples"));
    for (const QString& name : examples.entryList(QDir::Files))
        QFile::copy(examples.filePath(name), scratch.filePath(name));
    {
        QFile script(scratch.filePath(QStringLiteral("counter8.cmd")));
        if (!script.open(QIODevice::Append))
            return 1;
        script.write("cycle 3000000\necho \"three million cycles counted\"\n");
    }
    QDir::setCurrent(scratch.path());

    QtSettings settings(scratch.filePath(QStringLiteral("settings.ini")).toStdString());
    settings.writeString("Environment", "App path", CELLWATCH_SOURCE_DIR "/data");
    TempFolder temp(scratch.filePath(QStringLiteral("cache")).toStdString());
    auto app = std::make_unique<CWizApp>(settings, temp);
    CWizApp::StartOptions options;
    options.splash = false;
    if (!app->InitInstance(options))
        return 1;
    CMainFrame& frame = *app->mainFrame();
    frame.resize(1280, 820);
    frame.show();
    QApplication::processEvents();
    if (app->OpenSessionFile("counter8.cmd") == nullptr)
        return 1;
    QApplication::processEvents();
    frame.action(FrameCommand::RunTest)->trigger();

    // A while into the cycle command, after the window has drawn it a few times.
    QElapsedTimer clock;
    clock.start();
    const auto inProgress = [&] {
        const RunProgress p = app->session()->runProgress();
        return p.state == RunState::Cycling && p.cyclesTarget == 3000000 && p.cyclesDone > 600000;
    };
    while (!inProgress() && clock.elapsed() < 300000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!inProgress())
        return 1;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 600)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    frame.runMonitor().update();
    QApplication::processEvents();
    const bool saved = frame.grab().save(output);
    app->session()->StopTest();
    app->closeSession();
    return saved ? 0 : 1;
}
