// Makes the picture of the whole window for docs/gui.md, offscreen, on a copy of the examples in a
// folder named designs/ (opened by that relative name, so no title shows where the picture was
// made): counter8.cmd after its run, two commands typed in the command bar with the history
// dropped down over the window, and a line typed into the script, whose title then carries " *".
//   QT_QPA_PLATFORM=offscreen window_screenshots OUTPUT.png

#include "app/cwiz_doc.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/shell/cmd_list.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/dialog_asker.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/script/gr_edit_view.h"

#include <QAbstractItemView>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace cellwatch;

namespace {

// Nobody is there to answer: every question is cancelled and reported.
class AbsentUser final : public DialogAsker {
public:
    void messageOk(QWidget*, std::string_view text) override { report(text); }
    Answer askYesNo(QWidget*, std::string_view text) override { return report(text); }
    Answer askYesNoCancel(QWidget*, std::string_view text) override { return report(text); }
    bool warnWithCheckBox(QWidget*, std::string_view title, std::string_view, std::string_view) override {
        report(title);
        return false;
    }
    std::optional<std::string> openFile(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> askText(QWidget*, std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }

private:
    static Answer report(std::string_view text) {
        std::fprintf(stderr, "window_screenshots: asked \"%.*s\"\n", static_cast<int>(text.size()), text.data());
        return Answer::Cancel;
    }
};

// Runs the event loop as the program's own would (so that its idle pass runs) until done.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 60000)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// As the user types: keys to whatever holds the focus, then Enter.
void typeLine(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The window as a window manager frames it: a title bar with the window's title above its contents.
QImage withTitleBar(const QImage& contents, const QString& title, const QFont& font) {
    constexpr int kBar = 28;
    QImage framed(contents.width() + 2, contents.height() + kBar + 1, QImage::Format_RGB32);
    framed.fill(QColor(60, 66, 74));
    QPainter p(&framed);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    p.drawText(QRect(12, 0, contents.width() - 24, kBar), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.drawImage(1, kBar, contents);
    return framed;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_screenshots OUTPUT.png\n");
        return 2;
    }
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir scratch;
    const QDir root(scratch.path());
    root.mkpath(QStringLiteral("designs"));
    const QDir examples(QStringLiteral(CELLWATCH_SOURCE_DIR "/examples"));
    for (const QString& name : examples.entryList(QDir::Files))
        QFile::copy(examples.filePath(name), root.filePath(QStringLiteral("designs/") + name));
    QDir::setCurrent(scratch.path());

    QtSettings settings(root.filePath(QStringLiteral("settings.ini")).toStdString());
    settings.writeString("Environment", "App path", CELLWATCH_SOURCE_DIR "/data/");
    settings.writeString("Environment", "Board", "emulator");
    settings.writeInt("Colours", "Keywords", 0x00C00000); // blue, stored 0x00BBGGRR
    settings.writeInt("Colours", "Comments", 0x00008000); // green
    settings.writeInt("Colours", "Error", 0x000000C0);    // red
    settings.writeInt("Colours", "Warning", 0x000080C0);  // orange
    TempFolder temp(root.filePath(QStringLiteral("cache")).toStdString());
    CWizApp wiz(settings, temp);
    wiz.setAsker(std::make_unique<AbsentUser>());
    CWizApp::StartOptions options;
    options.splash = false;
    if (!wiz.InitInstance(options))
        return 1;
    CMainFrame& frame = *wiz.mainFrame();
    frame.resize(1180, 800);
    frame.activateWindow();
    if (!QTest::qWaitForWindowActive(&frame) || wiz.OpenSessionFile("designs/counter8.cmd") == nullptr)
        return 1;
    QApplication::processEvents();

    frame.action(FrameCommand::RunTest)->trigger();
    if (!waitFor([&] { return wiz.session()->runState() == RunState::Idle && !frame.runTimerActive(); }))
        return 1;

    // A click in the command line, then two lines; each is selected after it ran, so the next
    // typing replaces it.
    CCmdList& line = *frame.cmdList();
    QTest::mouseClick(line.lineEdit(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    typeLine(QStringLiteral("check count 04\\h"));
    typeLine(QStringLiteral("cycle 16"));
    if (!waitFor([&] { return wiz.session()->runState() == RunState::Idle && !frame.runTimerActive(); }))
        return 1;

    // A line typed at the end of the script marks its title.
    auto* editor = qobject_cast<CGRTEditView*>(wiz.frameOf(ViewKind::Script)->activeView());
    if (editor == nullptr)
        return 1;
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("| tried by hand: check count 04\\h, cycle 16"));
    // The idle pass gives the titles their mark.
    if (!waitFor([&] { return frame.windowTitle().endsWith(QStringLiteral(" *")); }))
        return 1;

    QImage picture = frame.grab().toImage();
    // The history, dropped down above the command line as it opens at the bottom of a screen.
    line.showPopup();
    QApplication::processEvents();
    QWidget* popup = line.view()->window();
    if (popup != nullptr && popup->isVisible()) {
        const QImage list = popup->grab().toImage();
        // Above the bar, leaving its title "Command Bar" in sight.
        const QPoint at(line.mapTo(&frame, QPoint(0, 0)).x(),
                        frame.commandBar()->mapTo(&frame, QPoint(0, 0)).y() - list.height());
        QPainter p(&picture);
        p.drawImage(at, list);
        line.hidePopup();
    }
    const QImage framed = withTitleBar(picture, frame.windowTitle(), frame.font());
    if (!framed.save(output)) {
        std::fprintf(stderr, "window_screenshots: cannot save %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(frame.windowTitle()));
    return 0;
}
