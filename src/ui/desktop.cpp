#include "ui/desktop.h"

#include "app/cwiz_doc.h"
#include "platform/instance_lock.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/cwiz_app.h"
#include "ui/frame_icons.h"
#include "ui/instance_channel.h"
#include "ui/main_frame.h"
#include "ui/product_text.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <string_view>

namespace cellwatch {

namespace {

constexpr std::string_view kScreenshotSwitch = "--screenshot=";

// A hidden switch for the documentation: run the file's script, save a picture of the window, quit.
QString screenshotFile(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kScreenshotSwitch))
            return QString::fromLocal8Bit(argument.substr(kScreenshotSwitch.size()));
    }
    return {};
}

void takeScreenshotWhenIdle(CWizApp& wiz, const QString& file) {
    auto* poll = new QTimer(&wiz);
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, &wiz, [&wiz, poll, file] {
        const CWizDoc* doc = wiz.session();
        if (doc != nullptr && (doc->runState() != RunState::Idle || wiz.mainFrame()->runTimerActive()))
            return;
        poll->stop();
        const bool saved = wiz.mainFrame()->grab().save(file);
        if (!saved)
            std::fprintf(stderr, "cellwatch: the picture could not be saved to %s\n", qPrintable(file));
        QCoreApplication::exit(saved ? 0 : 1);
    });
    if (wiz.session() != nullptr)
        wiz.mainFrame()->action(FrameCommand::RunTest)->trigger();
    poll->start();
}

} // namespace

void connectHandOver(InstanceChannel& channel, CWizApp& wiz) {
    // Queued: the open's prompts must not run inside the socket's read handler.
    QObject::connect(
        &channel, &InstanceChannel::fileReceived, &wiz,
        [&wiz](const QString& file) {
            CMainFrame* frame = wiz.mainFrame();
            if (frame->isMinimized())
                frame->showNormal();
            frame->raise();
            frame->activateWindow();
            wiz.openFromOutside(file.toStdString());
        },
        Qt::QueuedConnection);
}

int runDesktop(int& argc, char** argv, const CommandLine& line) {
    // Without a display Qt would abort; say what to do instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "cellwatch: there is no display for the window ($DISPLAY and $WAYLAND_DISPLAY "
                             "are not set); use -run FILE to run a script unattended.\n");
        return kNoDisplay;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Halvane"));
    QApplication::setApplicationName(QString::fromLatin1(kProductName));
    QApplication::setWindowIcon(applicationIcon());
    // Ties the window to its launcher, cellwatch.desktop (on Wayland the window's app id).
    QApplication::setDesktopFileName(QStringLiteral("cellwatch"));
    const QString screenshot = screenshotFile(argc, argv);

    InstanceLock lock;
    if (!lock.tryLock()) {
        if (line.commandFile.empty())
            return 0;
        const QString file = QFileInfo(QString::fromStdString(line.commandFile)).absoluteFilePath();
        if (InstanceChannel::handOver(InstanceChannel::socketPath(), file))
            return 0;
        std::fprintf(stderr, "cellwatch: another copy is running (%s) and did not take %s\n",
                     lock.errorText().c_str(), qPrintable(file));
        return 1;
    }
    InstanceChannel channel(InstanceChannel::socketPath());

    std::unique_ptr<QtSettings> settings = openUserSettings();
    TempFolder tempFolder;
    CWizApp wiz(*settings, tempFolder);
    connectHandOver(channel, wiz);

    CWizApp::StartOptions options;
    options.commandFile = line.commandFile;
    options.splash = screenshot.isEmpty();
    if (!wiz.InitInstance(options))
        return 1;
    if (!screenshot.isEmpty())
        takeScreenshotWhenIdle(wiz, screenshot);
    const int status = QApplication::exec();
    settings->sync();
    return status;
}

} // namespace cellwatch
