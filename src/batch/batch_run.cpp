// The batch path: open, parse, start, pump the run timer until the run is over, then the outputs and
// the exit status.

#include "batch/batch_run.h"

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "app/path_names.h"
#include "batch/failure_text.h"
#include "batch/junit_report.h"
#include "batch/progress_line.h"
#include "batch/run_recorder.h"
#include "board/board_selection.h"
#include "common/atomic_file.h"
#include "common/file_text.h"
#include "common/join_text.h"

#include <filesystem>
#include <sys/stat.h>
#include <utility>

namespace cellwatch {

namespace {

// Ticks in a row that change nothing before the pump gives up on a run that would otherwise hang.
constexpr int kMaxStalledTicks = 100;

std::vector<std::string> errorLines(const CWizDoc& doc) {
    std::vector<std::string> lines;
    for (const std::string& line : doc.logLines()) {
        if (line.starts_with(kErrorPrefix))
            lines.push_back(line);
    }
    return lines;
}

// The log's error lines, each led by the script file and the line it belongs to, where it has one.
std::vector<std::string> placedErrorLines(const CWizDoc& doc, const std::string& file) {
    std::vector<std::string> lines;
    for (const ScriptProblem& problem : doc.scriptProblems()) {
        const std::string& line = doc.logLines()[problem.logLine];
        if (line.starts_with(kErrorPrefix))
            lines.push_back(scriptProblemText(file, problem.scriptLine, line));
    }
    return lines;
}

// Whether two paths name one file (links followed); false when either does not exist.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// What a path will name once written: the file itself when it exists (links followed), else the end
// of its chain of links made absolute, so that two names of one new file compare equal too.
std::string outputIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return "file:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(p, ec); ++hops) {
        const std::filesystem::path target = std::filesystem::read_symlink(p, ec);
        if (ec)
            break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return "name:" + std::filesystem::weakly_canonical(p, ec).string();
}

// Whether the existing file at path is a character device (the null device, a terminal), which two
// outputs can share: each is written to it in place and nothing is lost.
bool isCharacterDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

class BatchRun {
public:
    BatchRun(const BatchOptions& options, BatchHost& host, Settings& settings)
        : m_options(options), m_host(host), m_settings(settings), m_file(options.commandFile),
          m_logPath(options.logFile.empty() ? defaultBatchLogPath(options.commandFile) : options.logFile) {
        m_suite.name = fileNameOf(m_file);
        m_suite.className = m_suite.name;
    }

    int run();

private:
    int cannotStart(CWizDoc* doc, std::vector<std::string> reasons, bool reasonsShown);
    bool pump(CWizDoc& doc);
    int finish(CWizDoc& doc, const RunRecorder& recorder, bool stalled);
    void addRunError(const std::string& message, const std::string& detail);
    bool writeReport();
    bool refuseOutputOverInput(const std::vector<std::string>& inputs);
    bool refuseSharedOutput();
    bool refuseSettingsFile(const std::vector<std::string>& inputs);

    const BatchOptions& m_options;
    BatchHost& m_host;
    Settings& m_settings;
    std::string m_file;
    std::string m_logPath;
    JUnitSuite m_suite;
    // The parse's warnings with their lines: the run empties the log before its header, so a
    // failing run's "see parse output" would otherwise point at nothing a batch run keeps.
    std::vector<std::string> m_parseWarnings;
};

int BatchRun::run() {
    if (m_file.empty()) {
        m_host.say("no file to run: name a .cmd or .sym file after -run");
        return kBatchCannotStart;
    }
    std::error_code ec;
    if (!std::filesystem::exists(m_file, ec)) {
        m_host.say(m_file + ": no such file");
        return kBatchMissingFile;
    }
    // A FIFO or a device as the script would hang the run or never end.
    if (const std::string why = inputFileProblem(m_file); !why.empty()) {
        m_host.say(m_file + " " + why + ": the run cannot start");
        return kBatchCannotStart;
    }
    if (refuseSharedOutput() || refuseOutputOverInput({m_file, m_options.calFile}) ||
        refuseSettingsFile({m_file, m_options.calFile}))
        return kBatchCannotStart;
    m_host.setSessionFile(m_file, m_options.calFile);
    if (m_host.scratchFolder().empty())
        return cannotStart(nullptr, {"The temporary folder could not be prepared."}, false);

    const std::string boardValue = chooseBoardValue(m_options.board, m_options.environmentBoard,
                                                    m_settings.readString("Environment", "Board", ""));
    ProgressLine progress(m_host.errors(), m_options.showProgress, m_options.clockMs);
    RunRecorder recorder(&progress);
    CWizDoc doc(m_host, m_settings, boardValue);
    if (m_options.prepareSession)
        m_options.prepareSession(doc);
    doc.setRunObserver(&recorder);
    doc.setBatchLogPath(m_logPath);
    doc.setBatchVcdPath(m_options.vcdFile);

    const std::size_t shown = m_host.messages().size();
    if (!doc.OpenSession(m_file)) {
        std::vector<std::string> reasons;
        if (!m_host.circuitProblem().empty())
            reasons.push_back(m_host.circuitProblem());
        reasons.insert(reasons.end(), m_host.messages().begin() + static_cast<std::ptrdiff_t>(shown),
                       m_host.messages().end());
        if (reasons.empty())
            reasons.push_back("The file could not be opened.");
        return cannotStart(&doc, reasons, true);
    }
    if (refuseOutputOverInput(doc.inputFiles()) || refuseSettingsFile(doc.inputFiles()))
        return kBatchCannotStart;
    if (!doc.designProblem().empty()) {
        // A test of a design that was never loaded cannot pass; the log has the warning already.
        m_host.say(m_suite.name + ": " + doc.designProblem());
        return cannotStart(&doc, {"The design could not be loaded, so the run does not start."}, false);
    }
    if (!doc.UseOwnScript())
        return cannotStart(&doc, {"The command script could not be read."}, false);
    // As when a file is opened in the window: one parse, so the log explains a run that cannot start.
    doc.ParseScript();
    for (const ScriptProblem& problem : doc.scriptProblems()) {
        const std::string& line = doc.logLines()[problem.logLine];
        if (line.starts_with(kWarningPrefix))
            m_parseWarnings.push_back(scriptProblemText(m_file, problem.scriptLine, line));
    }
    // Again with the CAL files the script loads.
    if (refuseOutputOverInput(doc.inputFiles()) || refuseSettingsFile(doc.inputFiles()))
        return kBatchCannotStart;
    if (!doc.StartRun(RunMode::Batch)) {
        if (doc.board() == nullptr)
            return cannotStart(
                &doc, {"No LC3400DS board (board \"" + boardValue + "\"): the script cannot run."}, false);
        if (errorLines(doc).empty())
            return cannotStart(&doc, {"The run could not be started."}, false);
        return cannotStart(&doc, {}, false);
    }

    progress.start();
    doc.RunCommands();
    const bool stalled = !pump(doc);
    progress.finish();
    return finish(doc, recorder, stalled);
}

// Works the run timer off as the window's timer would. False when the run stopped making progress.
bool BatchRun::pump(CWizDoc& doc) {
    int stalls = 0;
    while (m_host.timerActive() && !m_host.quitRequested()) {
        const RunProgress before = doc.runProgress();
        const int starts = m_host.timerStarts();
        doc.OnRunTimer(1);
        if (doc.runProgress() == before && m_host.timerStarts() == starts) {
            if (++stalls >= kMaxStalledTicks) {
                m_host.killRunTimer();
                return false;
            }
        } else {
            stalls = 0;
        }
    }
    return true;
}

int BatchRun::cannotStart(CWizDoc* doc, std::vector<std::string> reasons, bool reasonsShown) {
    std::vector<std::string> detail;
    if (doc != nullptr) {
        // The script's own errors (parse errors) are in the log already; they go to the terminal
        // too, each with the line it was found on.
        for (const std::string& line : placedErrorLines(*doc, m_file)) {
            m_host.say(line);
            detail.push_back(line);
        }
    }
    const std::string firstError = detail.empty() ? std::string() : detail.front();
    for (const std::string& reason : reasons) {
        if (!reasonsShown)
            m_host.say(m_suite.name + ": " + reason);
        detail.push_back(std::string(kErrorPrefix) + reason);
        if (doc != nullptr)
            doc->LogError(reason);
    }

    bool logWritten = false;
    if (doc != nullptr) {
        logWritten = doc->WriteResultLog(m_logPath);
    } else {
        std::string text;
        for (const std::string& line : detail)
            text += line + "\r\n";
        logWritten = saveFileAtomically(m_logPath, text) == SaveResult::Ok;
        if (!logWritten)
            m_host.say("The result log could not be written to \"" + m_logPath + "\".");
    }

    std::string summary = reasons.empty() ? std::to_string(detail.size()) + " error(s) in the script; the first: " +
                                                firstError
                                          : reasons.front();
    addRunError("The run could not start: " + summary, joinText(detail, "\n"));
    writeReport();
    m_host.say(m_suite.name + ": the run could not start" +
               (logWritten ? "; see \"" + m_logPath + "\"" : std::string()));
    return kBatchCannotStart;
}

int BatchRun::finish(CWizDoc& doc, const RunRecorder& recorder, bool stalled) {
    const bool completed = m_host.quitRequested();
    bool logWritten = !doc.logWriteFailed();
    if (!completed) {
        // The engine writes the log at the end of a run; a run cut short has it written here.
        if (stalled)
            doc.LogError("The run stopped making progress and was ended.");
        else if (!doc.endedOutOfStorage())
            doc.LogError("The run stopped before the end of the script.");
        logWritten = doc.WriteResultLog(m_logPath);
    }

    std::vector<std::string> problems; // beyond failed checks, which have their own test cases
    if (doc.errorCount() > 0)
        problems.push_back(std::to_string(doc.errorCount()) + " error(s) in the run");
    if (doc.endedOutOfStorage())
        problems.push_back("the trace store is full: the run was ended early");
    if (!completed && !doc.endedOutOfStorage())
        problems.push_back(stalled ? "the run stopped making progress"
                                   : "the run did not reach the end of the script");
    if (completed && m_host.exitCode() != 0 && !doc.endedOutOfStorage())
        problems.push_back("the run ended with code " + std::to_string(m_host.exitCode()));
    if (!logWritten)
        problems.push_back("the log could not be written to \"" + m_logPath + "\"");
    // Whatever goes wrong with the other outputs is added to the log, which is then written again.
    std::vector<std::string> outputErrors;
    // A run that ended by itself wrote its VCD together with the log; otherwise it is written here.
    const bool vcdWritten = m_options.vcdFile.empty() ||
                            (doc.batchVcdOutcome() == BatchOutput::NotWritten
                                 ? doc.WriteTraceVcd(m_options.vcdFile)
                                 : doc.batchVcdOutcome() == BatchOutput::Written);
    if (!vcdWritten) {
        problems.push_back("the VCD file could not be written to \"" + m_options.vcdFile + "\"");
        m_host.say("The VCD file could not be written to \"" + m_options.vcdFile + "\".");
        outputErrors.push_back("The VCD file could not be written to \"" + m_options.vcdFile + "\".");
    }

    // A run that fails names the parse's warnings first: its summary line counts them.
    if (doc.failedCheckCount() > 0 || !problems.empty()) {
        for (const std::string& warning : m_parseWarnings)
            m_host.say(warning);
    }
    const TextBuffer* script = doc.scriptBuffer();
    for (const CheckOutcome& check : recorder.checks()) {
        JUnitCase c;
        c.name = "check " + check.element;
        if (check.line >= 0)
            c.name += " (line " + std::to_string(check.line + 1) + ")";
        if (!check.passed) {
            // What a build page shows first: where, what was expected and what the board held.
            c.outcome = JUnitCase::Outcome::Failed;
            c.message = checkFailureText(m_file, check);
            m_host.say(c.message);
            c.detail = std::string(kWarningPrefix) +
                       (check.message.empty() ? "Assertion failed on " + check.element : check.message);
            if (script != nullptr && check.line >= 0 && check.line < script->lineCount())
                c.detail += "\n" + scriptPlace(m_file, check.line) + script->line(check.line);
            c.detail += "\n" + c.message;
        }
        m_suite.cases.push_back(std::move(c));
    }
    if (!problems.empty()) {
        std::vector<std::string> detail = placedErrorLines(doc, m_file);
        detail.insert(detail.begin(), problems.begin(), problems.end());
        addRunError(joinText(problems, "; "), joinText(detail, "\n"));
    }
    if (!writeReport()) {
        problems.push_back("the JUnit report could not be written");
        outputErrors.push_back("The JUnit report could not be written to \"" + m_options.junitFile + "\".");
    }
    if (!outputErrors.empty() && logWritten) {
        for (const std::string& text : outputErrors)
            doc.LogError(text);
        logWritten = doc.WriteResultLog(m_logPath);
    }

    const int failed = doc.failedCheckCount();
    if (failed == 0 && problems.empty())
        return kBatchPassed;
    std::vector<std::string> summary;
    if (failed > 0)
        summary.push_back(std::to_string(failed) + " failed check(s)");
    summary.insert(summary.end(), problems.begin(), problems.end());
    m_host.say(m_suite.name + ": " + joinText(summary, "; ") +
               (logWritten ? "; see \"" + m_logPath + "\"" : std::string()));
    return kBatchFailed;
}

// Checked before anything is written: an output that is the same file as an input would destroy
// the script or the design, so the run is refused and writes nothing at all.
bool BatchRun::refuseOutputOverInput(const std::vector<std::string>& inputs) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"log", &m_logPath}, {"VCD file", &m_options.vcdFile}, {"JUnit report", &m_options.junitFile}};
    for (const auto& [what, path] : outputs) {
        if (path->empty())
            continue;
        for (const std::string& input : inputs) {
            if (input.empty() || !sameFile(*path, input))
                continue;
            m_host.say(m_suite.name + ": the " + what + " \"" + *path + "\" is the input file \"" + input +
                       "\"; it would be overwritten, so the run does not start");
            return true;
        }
    }
    return false;
}

// Two outputs written to one file: the second would replace the first, and the run would say both
// were written.
bool BatchRun::refuseSharedOutput() {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"log", &m_logPath}, {"VCD file", &m_options.vcdFile}, {"JUnit report", &m_options.junitFile}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        for (std::size_t k = i + 1; k < std::size(outputs); ++k) {
            const std::string& a = *outputs[i].second;
            const std::string& b = *outputs[k].second;
            if (a.empty() || b.empty() || isCharacterDevice(a) || outputIdentity(a) != outputIdentity(b))
                continue;
            m_host.say(m_suite.name + ": the " + outputs[i].first + " \"" + a + "\" and the " +
                       outputs[k].first + " \"" + b +
                       "\" are the same file; one would be lost, so the run does not start");
            return true;
        }
    }
    return false;
}

// The settings are read at the start and saved at the end: a settings file that is also an input
// would be replaced by INI text, and one that is also an output would lose the user's settings. The
// run is refused before anything is written, and the settings are not saved either.
bool BatchRun::refuseSettingsFile(const std::vector<std::string>& inputs) {
    const std::string& settings = m_options.settingsFile;
    if (settings.empty())
        return false;
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& input : inputs)
        files.emplace_back("input file", input);
    files.emplace_back("log", m_logPath);
    files.emplace_back("VCD file", m_options.vcdFile);
    files.emplace_back("JUnit report", m_options.junitFile);
    for (const auto& [what, path] : files) {
        if (path.empty() || !sameFile(settings, path))
            continue;
        m_host.say(m_suite.name + ": the settings file \"" + settings + "\" is the " + what + " \"" + path +
                   "\"; it would be overwritten, so the run does not start");
        if (m_options.dropSettingsChanges)
            m_options.dropSettingsChanges();
        return true;
    }
    return false;
}

void BatchRun::addRunError(const std::string& message, const std::string& detail) {
    JUnitCase c;
    c.name = "run " + m_suite.name;
    c.outcome = JUnitCase::Outcome::Error;
    c.message = message;
    c.detail = detail;
    m_suite.cases.push_back(std::move(c));
}

bool BatchRun::writeReport() {
    if (m_options.junitFile.empty())
        return true;
    if (writeJUnit(m_options.junitFile, m_suite))
        return true;
    m_host.say("The JUnit report could not be written to \"" + m_options.junitFile + "\".");
    return false;
}

} // namespace

std::string defaultBatchLogPath(const std::string& commandFile) {
    return commandFile + ".log";
}

int runBatch(const BatchOptions& options, BatchHost& host, Settings& settings) {
    BatchRun run(options, host, settings);
    return run.run();
}

} // namespace cellwatch
