// The program's entry point. `cellwatch -run FILE` runs FILE's script unattended, with no window and
// no display; without -run the window opens: this program becomes cellwatch-window, found beside it,
// with the same arguments (so that unattended runs never load the GUI libraries).
#include "batch/batch_host.h"
#include "batch/batch_run.h"
#include "board/board_selection.h"
#include "board/pci/pci_device.h"
#include "common/termination_cleanup.h"
#include "platform/command_line.h"
#include "platform/local_date.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"

#include <QCoreApplication>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace cellwatch;

namespace {

std::string programName(int argc, char** argv) {
    if (argc < 1 || argv[0] == nullptr)
        return "cellwatch";
    const std::string_view path = argv[0];
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

#ifdef CELLWATCH_HAVE_UI
// cellwatch-window in this program's own folder; empty when that folder cannot be found.
std::string windowProgram() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return {};
    const std::string_view path(self, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(path.substr(0, slash + 1)) + "cellwatch-window";
}
#endif

void writeError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

int runUnattended(const CommandLine& line) {
    BatchOptions options;
    options.commandFile = line.commandFile;
    options.board = line.board;
    if (const char* board = std::getenv(kBoardEnvironmentVariable))
        options.environmentBoard = board;
    options.logFile = line.logFile;
    options.vcdFile = line.vcdFile;
    options.junitFile = line.junitFile;
    options.calFile = line.calFile;
    options.showProgress = ::isatty(STDERR_FILENO) == 1;

    std::unique_ptr<QtSettings> settings = openUserSettings();
    if (const std::string notice = settings->notReadNotice(); !notice.empty())
        writeError("cellwatch: " + escapeForTerminal(notice) + "\n");
    // Nothing reaches the settings file until the run knows that it is none of the run's own files.
    settings->holdChanges();
    bool settingsDropped = false;
    options.settingsFile = settings->path();
    options.dropSettingsChanges = [&settingsDropped] { settingsDropped = true; };
    // Batch runs take no instance lock: each keeps its scratch files in its own private folder.
    TempFolder temp;
    // The board's error texts do not say why it failed: the channel's reason (path and system error)
    // follows the first message written after it, which is the board's own.
    bool reasonShown = false;
    const auto writeWithReason = [&reasonShown](std::string_view text) {
        writeError(text);
        if (!reasonShown && !lastBoardFailure().empty()) {
            reasonShown = true;
            writeError("cellwatch: " + escapeForTerminal(lastBoardFailure()) + "\n");
        }
    };
    BatchHost host(
        writeWithReason, [&temp] { return temp.prepare() ? temp.privatePath() : std::string(); },
        [] { return currentLocalDate(); });
    // "App path" only locates the keyword list of the script editor, which a batch run never reads,
    // so a run from a build tree is not told to reinstall.

    const int status = runBatch(options, host, *settings);
    if (!reasonShown && !lastBoardFailure().empty())
        writeError("cellwatch: " + escapeForTerminal(lastBoardFailure()) + "\n");
    if (!settingsDropped) {
        settings->releaseChanges();
        settings->sync();
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = programName(argc, argv);
    const CommandLine line = parseCommandLine(argc, argv);
    for (const std::string& warning : line.warnings)
        writeError(name + ": " + escapeForTerminal(warning) + "\n");
    if (line.help) {
        const std::string usage = usageText(name);
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (line.listBoards) {
        const std::string list = boardListText(pci::kDevicesRoot);
        std::fwrite(list.data(), 1, list.size(), stdout);
        return 0;
    }
    if (!line.batch) {
#ifdef CELLWATCH_HAVE_UI
        const std::string window = windowProgram();
        if (!window.empty())
            ::execv(window.c_str(), argv);
        std::fprintf(stderr, "%s: the window program \"%s\" cannot be started; use -run FILE.\n\n",
                     name.c_str(), window.empty() ? "cellwatch-window" : window.c_str());
#else
        std::fprintf(stderr, "%s: the window is not available in this build; use -run FILE.\n\n",
                     name.c_str());
#endif
        writeError(usageText(name));
        return kBatchCannotStart;
    }
    if (line.commandFile.empty()) {
        std::fprintf(stderr, "%s: -run needs a .cmd or .sym file.\n\n", name.c_str());
        writeError(usageText(name));
        return kBatchCannotStart;
    }

    // Before any thread exists, so that SIGINT and SIGTERM reach only the watch, which removes the
    // scratch folder and the temporary files of saves in progress and exits with 130 or 143.
    startTerminationWatch();
    // An output FIFO whose reader went away is a failed write, reported like any other, rather than
    // the end of the process with nothing cleaned up.
    std::signal(SIGPIPE, SIG_IGN);

    // Qt Core only: a batch run needs no display.
    QCoreApplication application(argc, argv);
    return runUnattended(line);
}
