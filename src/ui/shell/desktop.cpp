#include "ui/shell/desktop.h"

#include "app/cwiz_doc.h"
#include "common/atomic_file.h"
#include "platform/instance_lock.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/look/frame_icons.h"
#include "ui/look/product_text.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/instance_channel.h"
#include "ui/shell/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QTimer>

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace cellwatch {

namespace {

constexpr std::string_view kScreenshotSwitch = "--screenshot=";
constexpr int kScreenshotRefused = 2;

// A hidden switch for the documentation: run the file's script, save a picture of the window, quit.
QString screenshotFile(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kScreenshotSwitch))
            return QString::fromLocal8Bit(argument.substr(kScreenshotSwitch.size()));
    }
    return {};
}

// Why the picture cannot go to file, before anything is run or written: empty when it can. It is an
// output like the log: a regular file (or a new name), of a format the image writers know, and never
// one of the files it shows.
std::string screenshotProblem(const QString& file, const std::vector<std::string>& inputs) {
    const QByteArray format = QFileInfo(file).suffix().toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return "the picture's format is not known from its name (use .png, for instance)";
    const std::string path = file.toStdString();
    const SaveTarget target = resolveSaveTarget(path);
    if (target.kind != SaveTarget::Kind::Replace)
        return "the picture can only be saved to a regular file";
    struct stat out {};
    if (::stat(target.path.c_str(), &out) == 0) {
        for (const std::string& input : inputs) {
            struct stat in {};
            if (!input.empty() && ::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
                in.st_ino == out.st_ino)
                return "it is the input file \"" + input + "\"";
        }
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
        std::string problem =
            screenshotProblem(file, doc != nullptr ? doc->inputFiles() : std::vector<std::string>{});
        if (problem.empty()) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!wiz.mainFrame()->grab().save(&buffer,
                                              QFileInfo(file).suffix().toLower().toLatin1().constData()))
                problem = "the picture could not be made";
            else if (std::string reason;
                     saveFileAtomically(file.toStdString(),
                                        std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                        &reason) != SaveResult::Ok)
                problem = reason;
        }
        if (!problem.empty())
            std::fprintf(stderr, "cellwatch: the picture could not be saved to %s: %s\n", qPrintable(file),
                         problem.c_str());
        QCoreApplication::exit(problem.empty() ? 0 : 1);
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
    if (!screenshot.isEmpty()) {
        // Refused before the window starts, so that nothing is run and no file is touched.
        std::vector<std::string> inputs;
        if (!line.commandFile.empty())
            inputs.push_back(line.commandFile);
        if (const std::string problem = screenshotProblem(screenshot, inputs); !problem.empty()) {
            std::fprintf(stderr, "cellwatch: the picture cannot be saved to %s: %s\n", qPrintable(screenshot),
                         problem.c_str());
            return kScreenshotRefused;
        }
    }

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
    if (std::string notice = settings->notReadNotice(); !notice.empty()) {
        // Told once, when the window starts; the file is never written (it may be a script or a design
        // named by mistake).
        std::fprintf(stderr, "cellwatch: %s\n", notice.c_str());
        notice[0] = 'T';
        if (screenshot.isEmpty())
            QTimer::singleShot(0, &wiz, [&wiz, notice] { wiz.messageOk(notice + "."); });
    }
    const int status = QApplication::exec();
    settings->sync();
    return status;
}

} // namespace cellwatch
