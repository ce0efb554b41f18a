#pragma once
// A window on a copy of the examples: the application with its settings and temporary folder in a
// private folder, and an asker that answers every dialog from the test's script and records what the
// user would have read.

#include "app/cwiz_doc.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/dialog_asker.h"
#include "ui/shell/main_frame.h"
#include "ui/views/view_factory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cellwatch {

// The per-user runtime folder the test's environment names (where the instance lock and the hand-over
// socket live), made before Qt looks for it.
inline void prepareRuntimeFolder() {
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

class ScriptedAsker final : public DialogAsker {
public:
    void messageOk(QWidget*, std::string_view text) override { said.emplace_back(text); }
    Answer askYesNo(QWidget*, std::string_view text) override { return next(text); }
    Answer askYesNoCancel(QWidget*, std::string_view text) override { return next(text); }
    bool warnWithCheckBox(QWidget*, std::string_view title, std::string_view, std::string_view) override {
        said.emplace_back(title);
        return false;
    }
    std::optional<std::string> openFile(QWidget*, const FileDialogRequest& request) override {
        return file(request);
    }
    std::optional<std::string> saveFile(QWidget*, const FileDialogRequest& request) override {
        return file(request);
    }
    std::optional<std::string> askText(QWidget*, std::string_view title, std::string_view,
                                       std::string_view) override {
        textTitles.emplace_back(title);
        if (texts.empty())
            return std::nullopt;
        auto text = texts.front();
        texts.pop_front();
        return text;
    }

    // Answers in order; an unexpected question is cancelled.
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    // Answers to text questions in order (none: Cancel), and the titles they were asked under.
    std::deque<std::optional<std::string>> texts;
    std::vector<std::string> textTitles;
    // Every message, question and warning title, in order.
    std::vector<std::string> said;
    std::vector<FileDialogRequest> fileRequests;
    // Runs once, inside the next question, as events delivered while a real box is open would.
    std::function<void()> whileAsking;
    // How deep questions were asked inside one another, at most.
    int deepestNesting = 0;

private:
    Answer next(std::string_view text) {
        said.emplace_back(text);
        ++m_nesting;
        deepestNesting = std::max(deepestNesting, m_nesting);
        if (whileAsking) {
            const std::function<void()> run = std::move(whileAsking);
            whileAsking = nullptr;
            run();
        }
        --m_nesting;
        if (answers.empty())
            return Answer::Cancel;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> file(const FileDialogRequest& request) {
        fileRequests.push_back(request);
        if (files.empty())
            return std::nullopt;
        auto path = files.front();
        files.pop_front();
        return path;
    }
    int m_nesting = 0;
};

class WindowBench {
public:
    explicit WindowBench(const std::string& board = "emulator")
        : settings(dir.filePath(QStringLiteral("settings.ini")).toStdString()),
          temp(dir.filePath(QStringLiteral("cache")).toStdString()) {
        const QDir examples(QStringLiteral(CELLWATCH_SOURCE_DIR "/examples"));
        for (const QString& name : examples.entryList(QDir::Files))
            QFile::copy(examples.filePath(name), dir.filePath(name));
        settings.writeString("Environment", "App path", CELLWATCH_SOURCE_DIR "/data");
        settings.writeString("Environment", "Board", board);
        app = std::make_unique<CWizApp>(settings, temp);
        auto scripted = std::make_unique<ScriptedAsker>();
        asker = scripted.get();
        app->setAsker(std::move(scripted));
        CWizApp::StartOptions options;
        options.splash = false;
        app->InitInstance(options);
    }

    std::string path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    // Appends lines to a copied example script.
    void append(const char* name, const char* lines) const {
        QFile file(QString::fromStdString(path(name)));
        QVERIFY(file.open(QIODevice::Append));
        file.write(lines);
    }
    CMainFrame& frame() const { return *app->mainFrame(); }
    QAction* action(FrameCommand command) const { return frame().action(command); }
    CWizDoc* doc() const { return app->session(); }
    bool logHas(const std::string& text) const {
        for (const std::string& line : doc()->logLines()) {
            if (line.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    QTemporaryDir dir;
    QtSettings settings;
    TempFolder temp;
    std::unique_ptr<CWizApp> app;
    ScriptedAsker* asker = nullptr;
};

} // namespace cellwatch
