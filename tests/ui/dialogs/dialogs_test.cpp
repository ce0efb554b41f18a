// The dialogs by user flow: editing options (Cancel, OK, colours, Browse), the splash and About box
// at start-up, and viewing the trace in an external viewer. Every dialog answers through a seam.

#include "../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "app/settings.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/options_sheet.h"
#include "ui/dialogs/splash_window.h"
#include "ui/dialogs/wave_viewer.h"
#include "ui/look/colour_settings.h"
#include "ui/shell/dialog_asker.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace cellwatch;

namespace {

// In-memory settings that also record the order of writes as "Section/Key".
class RecordingSettings final : public Settings {
public:
    int readInt(std::string_view s, std::string_view k, int d) const override {
        return m_values.readInt(s, k, d);
    }
    std::string readString(std::string_view s, std::string_view k, std::string_view d) const override {
        return m_values.readString(s, k, d);
    }
    void writeInt(std::string_view s, std::string_view k, int v) override {
        writes.push_back(std::string(s) + "/" + std::string(k));
        m_values.writeInt(s, k, v);
    }
    void writeString(std::string_view s, std::string_view k, std::string_view v) override {
        writes.push_back(std::string(s) + "/" + std::string(k));
        m_values.writeString(s, k, v);
    }
    std::vector<std::string> writes;

private:
    MemorySettings m_values;
};

template <typename T> T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        qWarning("no child %s", name);
    return found;
}

// Clicks a check box or radio button on its indicator, where a user would.
void clickIndicator(QAbstractButton* button) {
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void pressButton(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    QDialogButtonBox* box = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(box != nullptr);
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

// While it lives, answers the first modal dialog of type T from the event loop (the test then opens
// it) and rejects any other modal dialog, or T left open, so that a test fails instead of hanging.
template <typename T> class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(T*)> answer) {
        QObject::connect(&m_poll, &QTimer::timeout, [this, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            auto* wanted = qobject_cast<T*>(dialog);
            if (wanted != nullptr && m_answered == nullptr) {
                m_answered = wanted;
                // From its own timer, so this poll still runs if the answer opens a nested dialog.
                QTimer::singleShot(0, wanted, [wanted, answer] { answer(wanted); });
            } else if (dialog != m_answered || ++m_ticksOpen > 100) {
                unexpected << QString::fromLatin1(dialog->metaObject()->className()) + QLatin1Char(' ') +
                                  dialog->windowTitle();
                dialog->reject();
            }
        });
        m_poll.start(10);
    }
    QStringList unexpected;

private:
    QTimer m_poll;
    QDialog* m_answered = nullptr;
    int m_ticksOpen = 0;
};

std::string readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// What a window manager's title bar needs to show a title whole: the text in a bold title font, the
// window's icon and three buttons.
int titleNeed(const QString& title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + 150;
}

constexpr int kChosen = 0x563412; // QColor(0x12, 0x34, 0x56) packed as 0x00BBGGRR

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Qt's dialogs keep their own state (custom colours, last folders) in Qt's settings; test mode
    // keeps those away from the user's, even when the program runs outside CTest.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cancelWritesNothing();
    void okWritesEveryKey_data();
    void okWritesEveryKey();
    void colourChosenThroughSeam();
    void browseFillsViewerPath();
    void splashClosesOnClickAndOnTimer();
    void aboutBoxShowsItsTexts();
    void questionsShowTheirTitleAndTextWhole();
    void platformChoosersOpenQtDialogs();
    void waveViewerReceivesTheTrace();
    void waveViewerRefusals();
    void waveViewerEnabling();

private:
    // A session on counter8 on the emulated board: the run sits in its first cycle command.
    std::unique_ptr<CWizDoc> startCounterRun(FakeHost& host, Settings& settings) {
        auto doc = std::make_unique<CWizDoc>(host, settings, "emulator");
        const std::string script = std::string(CELLWATCH_SOURCE_DIR) + "/examples/counter8.cmd";
        if (!doc->OpenSession(script) || !doc->UseOwnScript() || !doc->StartRun(RunMode::Script))
            return nullptr;
        doc->RunCommands();
        return doc;
    }
    void finishRun(FakeHost& host, CWizDoc& doc) {
        for (int ticks = 0; host.timerActive && ticks < 100000; ++ticks)
            doc.OnRunTimer(1);
    }
};

void DialogsTest::cancelWritesNothing() {
    RecordingSettings settings;
    COptionsSheet sheet(settings);
    OptionsChoosers choosers;
    choosers.chooseColour = [](QWidget*, const QColor&) { return std::optional<QColor>(Qt::red); };
    choosers.chooseProgram = [](QWidget*, const ProgramFileRequest&) {
        return std::optional<QString>("/bin/true");
    };
    sheet.setChoosers(choosers);
    sheet.show();

    clickIndicator(child<QCheckBox>(sheet, "promptBeforeSave"));
    clickIndicator(child<QRadioButton>(sheet, "baseHexadecimal"));
    QTest::mouseClick(child<QPushButton>(sheet, "colourText"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(sheet, "browseWaveViewer"), Qt::LeftButton);
    pressButton(sheet, QDialogButtonBox::Cancel);

    QCOMPARE(sheet.result(), int(QDialog::Rejected));
    QVERIFY(settings.writes.empty());
}

void DialogsTest::okWritesEveryKey_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("base");
    QTest::newRow("absent stays binary") << -1 << QString() << 2;
    QTest::newRow("odd value reads as binary") << 5 << QString() << 2;
    QTest::newRow("binary") << 16 << "baseBinary" << 2;
    QTest::newRow("octal") << 2 << "baseOctal" << 8;
    QTest::newRow("decimal") << 2 << "baseDecimal" << 10;
    QTest::newRow("hexadecimal") << 2 << "baseHexadecimal" << 16;
    QTest::newRow("stored hexadecimal kept") << 16 << QString() << 16;
}

void DialogsTest::okWritesEveryKey() {
    QFETCH(int, stored);
    QFETCH(QString, radio);
    QFETCH(int, base);
    RecordingSettings settings;
    if (stored >= 0)
        settings.writeInt("Environment", "Base", stored);
    settings.writeInt("Environment", "RT Update", 7); // any non-zero value is checked
    settings.writeString("Environment", "Wave viewer", "/opt/view it/wv");
    settings.writeInt("Colours", "Error", 0x0000ff);
    settings.writes.clear();

    COptionsSheet sheet(settings);
    sheet.show();
    auto* tabs = sheet.findChild<QTabWidget*>();
    QStringList tabTexts;
    for (int i = 0; i < tabs->count(); ++i)
        tabTexts << tabs->tabText(i);
    QCOMPARE(tabTexts, QStringList({"Environment", "Wave display", "Script colours"}));
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("environmentPage"));
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Gridprobe LC3400 Test options"));

    // Defaults: save before parse on, prompt off, the result log options on.
    QVERIFY(child<QCheckBox>(sheet, "saveBeforeParse")->isChecked());
    QVERIFY(!child<QCheckBox>(sheet, "promptBeforeSave")->isChecked());
    QVERIFY(child<QCheckBox>(sheet, "rtUpdate")->isChecked());
    clickIndicator(child<QCheckBox>(sheet, "promptBeforeSave"));
    clickIndicator(child<QCheckBox>(sheet, "hideInversion"));
    if (!radio.isEmpty())
        clickIndicator(child<QRadioButton>(sheet, radio.toLatin1().constData()));
    pressButton(sheet, QDialogButtonBox::Ok);
    QCOMPARE(sheet.result(), int(QDialog::Accepted));

    // Colours, then the environment page, then the viewer; the wave page was never visited.
    // clang-format off
    const std::vector<std::string> order{
        "Colours/Text", "Colours/Keywords", "Colours/Comments", "Colours/Background", "Colours/Warning",
        "Colours/Error", "Environment/Prompt before save", "Environment/Save before parse",
        "Environment/Hide inversion", "Environment/RT Update", "Environment/AutoSplit", "Environment/Base",
        "Environment/Wave viewer"};
    // clang-format on
    QCOMPARE(settings.writes, order);
    QCOMPARE(settings.readInt("Environment", "Base", -1), base);
    QCOMPARE(settings.readInt("Environment", "Prompt before save", -1), 1);
    QCOMPARE(settings.readInt("Environment", "Save before parse", -1), 1);
    QCOMPARE(settings.readInt("Environment", "Hide inversion", -1), 0);
    QCOMPARE(settings.readInt("Environment", "RT Update", -1), 1);
    QCOMPARE(settings.readInt("Environment", "AutoSplit", -1), 1);
    QCOMPARE(settings.readString("Environment", "Wave viewer", "?"), std::string("/opt/view it/wv"));
    QCOMPARE(settings.readInt("Colours", "Error", -1), 0x0000ff);
    QCOMPARE(settings.readInt("Colours", "Text", -1),
             packedColour(QApplication::palette().color(QPalette::Text)));
    QCOMPARE(settings.readInt("Colours", "Background", -1),
             packedColour(QApplication::palette().color(QPalette::Base)));
}

void DialogsTest::colourChosenThroughSeam() {
    RecordingSettings settings;
    settings.writeInt("Colours", "Keywords", 0x010203);
    settings.writeInt("Colours", "Warning", 0x0a0b0c);
    COptionsSheet sheet(settings);
    std::vector<QColor> offered;
    bool cancel = false;
    OptionsChoosers choosers;
    choosers.chooseColour = [&](QWidget*, const QColor& initial) -> std::optional<QColor> {
        offered.push_back(initial);
        if (cancel)
            return std::nullopt;
        return QColor(0x12, 0x34, 0x56);
    };
    sheet.setChoosers(choosers);
    sheet.show();

    auto* keywords = child<QPushButton>(sheet, "colourKeywords");
    QCOMPARE(keywords->text(), QStringLiteral("Choose &keyword colour..."));
    QTest::mouseClick(keywords, Qt::LeftButton);
    cancel = true;
    QTest::mouseClick(child<QPushButton>(sheet, "colourWarning"), Qt::LeftButton);
    pressButton(sheet, QDialogButtonBox::Ok);

    // The chooser opens on the button's colour; a cancelled choice keeps it.
    QCOMPARE(offered.size(), std::size_t(2));
    QCOMPARE(offered[0], QColor(0x03, 0x02, 0x01));
    QCOMPARE(offered[1], QColor(0x0c, 0x0b, 0x0a));
    QCOMPARE(settings.readInt("Colours", "Keywords", -1), kChosen);
    QCOMPARE(settings.readInt("Colours", "Warning", -1), 0x0a0b0c);
}

void DialogsTest::browseFillsViewerPath() {
    RecordingSettings settings;
    COptionsSheet sheet(settings);
    std::vector<ProgramFileRequest> requests;
    std::optional<QString> answer = QStringLiteral("/usr/local/bin/waves");
    OptionsChoosers choosers;
    choosers.chooseProgram = [&](QWidget*, const ProgramFileRequest& request) {
        requests.push_back(request);
        return answer;
    };
    sheet.setChoosers(choosers);
    sheet.show();
    sheet.findChild<QTabWidget*>()->setCurrentIndex(1);

    QTest::mouseClick(child<QPushButton>(sheet, "browseWaveViewer"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(sheet, "waveViewer")->text(), QStringLiteral("/usr/local/bin/waves"));
    answer.reset();
    QTest::mouseClick(child<QPushButton>(sheet, "browseWaveViewer"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(sheet, "waveViewer")->text(), QStringLiteral("/usr/local/bin/waves"));
    QCOMPARE(requests.size(), std::size_t(2));
    QCOMPARE(requests[0].title, QStringLiteral("Select wave view program"));
    QCOMPARE(requests[0].filters.back(), QStringLiteral("All files (*)"));

    pressButton(sheet, QDialogButtonBox::Ok);
    QCOMPARE(settings.readString("Environment", "Wave viewer", ""), std::string("/usr/local/bin/waves"));
}

void DialogsTest::splashClosesOnClickAndOnTimer() {
    QWidget main;
    main.setGeometry(100, 100, 900, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    showSplash(&main);
    QPointer<QWidget> splash = main.findChild<QWidget*>(QStringLiteral("splashWindow"));
    QVERIFY(splash != nullptr);
    QVERIFY(splash->isVisible());
    QVERIFY((splash->geometry().center() - main.frameGeometry().center()).manhattanLength() <= 2);
    // The window manager places the main window after it was shown: the splash moves with it.
    main.setGeometry(260, 180, 1000, 760);
    QTRY_VERIFY(splash != nullptr &&
                (splash->geometry().center() - main.frameGeometry().center()).manhattanLength() <= 2);
    QVERIFY(main.frameGeometry().center() != QPoint(550, 450));
    QTest::mouseClick(splash, Qt::LeftButton);
    QTRY_VERIFY(splash.isNull());

    showSplash(&main);
    splash = main.findChild<QWidget*>(QStringLiteral("splashWindow"));
    QVERIFY(splash != nullptr);
    QTest::mouseClick(splash, Qt::RightButton);
    QVERIFY(splash->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 30000);
}

// What the window's message boxes and text questions show, as the user first sees them.
void DialogsTest::questionsShowTheirTitleAndTextWhole() {
    QtDialogAsker asker;
    struct Seen {
        QString title;
        int width = 0;
        int textLines = 0;
        bool textWhole = false;
    };
    const auto seeBox = [](QMessageBox* box, Seen& seen) {
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        seen.title = box->windowTitle();
        seen.width = box->width();
        const QFontMetrics fm = label->fontMetrics();
        const int tall = label->wordWrap() ? label->heightForWidth(label->width()) : fm.lineSpacing();
        seen.textLines = (tall + fm.leading()) / fm.lineSpacing();
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, fm.horizontalAdvance(line));
        seen.textWhole = label->contentsRect().width() >= widest;
        if (QAbstractButton* escape = box->escapeButton())
            escape->click();
        else
            box->reject();
    };

    // The save question keeps its sentence on one line.
    Seen save;
    {
        ModalAnswerer<QMessageBox> answer([&](QMessageBox* box) { seeBox(box, save); });
        QCOMPARE(asker.askYesNoCancel(nullptr, "Command script has been modified. Do you wish to save before closing?"),
                 Answer::Cancel);
        QCOMPARE(answer.unexpected, QStringList());
    }
    QCOMPARE(save.textLines, 1);
    QVERIFY(save.textWhole);
    QVERIFY(save.width >= titleNeed(save.title));

    // A short message is still as wide as its title.
    Seen invalid;
    {
        ModalAnswerer<QMessageBox> answer([&](QMessageBox* box) { seeBox(box, invalid); });
        asker.messageOk(nullptr, "Invalid memory address specified!\n");
        QCOMPARE(answer.unexpected, QStringList());
    }
    QCOMPARE(invalid.title, QStringLiteral("LC3400 Cellwatch"));
    QVERIFY(invalid.textWhole);
    QVERIFY2(invalid.width >= titleNeed(invalid.title), qPrintable(QString::number(invalid.width)));

    // The text questions: the group's name and the SRAM address.
    for (const char* title : {"Enter name for new component", "SRAM Location"}) {
        int width = 0;
        QString label;
        {
            ModalAnswerer<QInputDialog> answer([&](QInputDialog* dialog) {
                width = dialog->width();
                label = dialog->labelText();
                dialog->setTextValue(QStringLiteral("typed"));
                dialog->accept();
            });
            QCOMPARE(asker.askText(nullptr, title, "Component name:", "Default"), std::optional<std::string>("typed"));
            QCOMPARE(answer.unexpected, QStringList());
        }
        QCOMPARE(label, QStringLiteral("Component name:"));
        QVERIFY2(width >= titleNeed(QString::fromLatin1(title)), title);
    }
}

void DialogsTest::aboutBoxShowsItsTexts() {
    QString title, product, release;
    bool pictured = false;
    ModalAnswerer<QDialog> about([&](QDialog* box) {
        title = box->windowTitle();
        product = box->findChild<QLabel*>(QStringLiteral("productName"))->text();
        release = box->findChild<QLabel*>(QStringLiteral("releaseText"))->text();
        pictured = !box->findChild<QLabel*>(QStringLiteral("aboutPicture"))->pixmap().isNull();
        QTest::mouseClick(box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    showAboutBox(nullptr);
    QCOMPARE(about.unexpected, QStringList());

    QCOMPARE(title, QStringLiteral("About LC3400 Cellwatch"));
    QCOMPARE(product, QStringLiteral("LC3400 Cellwatch"));
    QCOMPARE(release, QStringLiteral("Release Version 1.03"));
    QVERIFY(pictured);
}

// The seams' own answers: Qt's dialogs opened on the right colour, title, filters and programs.
void DialogsTest::platformChoosersOpenQtDialogs() {
    const OptionsChoosers platform = OptionsChoosers::platform();
    {
        QColor offered;
        ModalAnswerer<QColorDialog> colours([&](QColorDialog* dialog) {
            offered = dialog->currentColor();
            dialog->setCurrentColor(QColor(1, 2, 3));
            dialog->accept();
        });
        QCOMPARE(platform.chooseColour(nullptr, QColor(9, 8, 7)), std::optional<QColor>(QColor(1, 2, 3)));
        QCOMPARE(offered, QColor(9, 8, 7));
        QCOMPARE(colours.unexpected, QStringList());
    }

    QTemporaryDir folder;
    QFile program(folder.filePath(QStringLiteral("viewer")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ProgramFileRequest request{QStringLiteral("Select wave view program"),
                               {QStringLiteral("Executable files (*)"), QStringLiteral("All files (*)")},
                               folder.path()};
    // Beside the program: a plain file, and a folder to go into.
    QFile notes(folder.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("tools")));
    QString title;
    QStringList filters, executablesOnly, allAfterwards;
    ModalAnswerer<QFileDialog> files([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        // What the dialog's list shows, once the folder has been read.
        const auto listed = [dialog](int atLeast) {
            QStringList names;
            auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
            for (int wait = 0; list != nullptr && wait < 60; ++wait) {
                names.clear();
                const QModelIndex root = list->rootIndex();
                for (int row = 0; row < list->model()->rowCount(root); ++row)
                    names << list->model()->index(row, 0, root).data().toString();
                if (names.size() >= atLeast)
                    break;
                QTest::qWait(10);
            }
            names.sort();
            return names;
        };
        executablesOnly = listed(3);
        dialog->selectNameFilter(filters.value(1));
        Q_EMIT dialog->filterSelected(filters.value(1));
        allAfterwards = listed(4);
        // Typed as a user would: selectFile leaves a focused name field alone.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(program.fileName());
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, which is protected
    });
    QCOMPARE(platform.chooseProgram(nullptr, request), std::optional<QString>(program.fileName()));
    QCOMPARE(files.unexpected, QStringList());
    QCOMPARE(title, request.title);
    QCOMPARE(filters, request.filters);
    // ".." to go up, the folder, and only the program among the files.
    QCOMPARE(executablesOnly, (QStringList{QStringLiteral(".."), QStringLiteral("tools"), QStringLiteral("viewer")}));
    QCOMPARE(allAfterwards, (QStringList{QStringLiteral(".."), QStringLiteral("notes.txt"), QStringLiteral("tools"),
                                         QStringLiteral("viewer")}));
}

void DialogsTest::waveViewerReceivesTheTrace() {
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    // Blanks in both paths: the setting quotes the viewer, the command quotes the file.
    const QString temp = scratch.filePath(QStringLiteral("hlc temp"));
    const QString tools = scratch.filePath(QStringLiteral("my tools"));
    QVERIFY(QDir().mkpath(temp) && QDir().mkpath(tools));
    const QString viewer = tools + QStringLiteral("/viewer.sh");
    {
        QFile script(viewer);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nout=\"$(dirname \"$0\")/args\"\n"
                     "printf '%s\\n' \"$@\" > \"$out.part\" && mv \"$out.part\" \"$out.txt\"\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    settings.writeString("Environment", "Wave viewer", "\"" + viewer.toStdString() + "\"");
    auto doc = startCounterRun(host, settings);
    QVERIFY(doc != nullptr);
    finishRun(host, *doc);

    viewWaveExternally(*doc, host, settings, temp.toStdString());
    QVERIFY(host.messages.empty());
    const QString args = tools + QStringLiteral("/args.txt");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 30000); // a process start on a loaded machine

    // One argument: the .vcd beside its reserving .tmp, holding what a save of the trace holds.
    const QString vcd = QString::fromStdString(readText(args)).chopped(1);
    QVERIFY2(!vcd.contains('\n'), qPrintable(vcd));
    QVERIFY(vcd.startsWith(temp + QStringLiteral("/HLC")) && vcd.endsWith(QStringLiteral(".vcd")));
    QVERIFY(QFile::exists(vcd.chopped(3) + QStringLiteral("tmp")));
    const QString reference = scratch.filePath(QStringLiteral("reference.vcd"));
    QVERIFY(doc->WriteTraceVcd(reference.toStdString()));
    const std::string written = readText(vcd);
    QVERIFY(written.find("count") != std::string::npos);
    QCOMPARE(written, readText(reference));

    // A second use writes a new file and leaves the first.
    QVERIFY(QFile::remove(args));
    viewWaveExternally(*doc, host, settings, temp.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 30000); // a process start on a loaded machine
    const QString second = QString::fromStdString(readText(args)).chopped(1);
    QVERIFY(second != vcd);
    QVERIFY(QFile::exists(vcd));
}

void DialogsTest::waveViewerRefusals() {
    QTemporaryDir scratch;
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    auto doc = startCounterRun(host, settings);
    QVERIFY(doc != nullptr);
    finishRun(host, *doc);

    viewWaveExternally(*doc, host, settings, scratch.path().toStdString());
    settings.writeString("Environment", "Wave viewer", "/bin/true");
    viewWaveExternally(*doc, host, settings, scratch.filePath(QStringLiteral("missing")).toStdString());
    const std::vector<std::string> expected{"You must first specify a wave viewer app!",
                                            "Failed to create a tempory file needed for waveform viewing."};
    QCOMPARE(host.messages, expected);
    QVERIFY(QDir(scratch.path()).entryList({QStringLiteral("HLC*")}, QDir::Files).isEmpty());
}

void DialogsTest::waveViewerEnabling() {
    QTemporaryDir scratch;
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    settings.writeString("Environment", "Wave viewer", "/bin/true");

    CWizDoc empty(host, settings, "emulator");
    QVERIFY(!waveViewerEnabled(empty, settings)); // no record yet

    auto doc = startCounterRun(host, settings);
    QVERIFY(doc != nullptr);
    QCOMPARE(doc->runState(), RunState::Cycling);
    QVERIFY(doc->traceStore().count() > 0);
    QVERIFY(!waveViewerEnabled(*doc, settings));
    doc->PauseTest();
    QCOMPARE(doc->runState(), RunState::Paused);
    QVERIFY(waveViewerEnabled(*doc, settings));
    doc->StopTest();
    QCOMPARE(doc->runState(), RunState::Idle);
    QVERIFY(waveViewerEnabled(*doc, settings));

    MemorySettings noViewer;
    QVERIFY(!waveViewerEnabled(*doc, noViewer));
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
