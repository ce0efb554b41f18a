#pragma once
// An unattended run of one script (`cellwatch -run FILE`): open the session, run its script to the
// end without ever waiting for a user, leave the log (and on request a VCD file and a JUnit report)
// behind, and turn the outcome into the process's exit status.

#include "app/settings.h"
#include "batch/batch_host.h"

#include <cstdint>
#include <functional>
#include <string>

namespace cellwatch {

class CWizDoc;

// Exit statuses of a batch run.
inline constexpr int kBatchPassed = 0;        // completed, no errors, no failed checks
inline constexpr int kBatchFailed = 1;        // completed with failed checks or errors, or cut short
inline constexpr int kBatchCannotStart = 2;   // no file, unreadable file, parse errors, no board
inline constexpr int kBatchMissingFile = 255; // the named file does not exist

struct BatchOptions {
    std::string commandFile;      // the .cmd or .sym file to run
    std::string board;            // -board=VALUE
    std::string environmentBoard; // the CELLWATCH_BOARD variable
    std::string logFile;          // -log=FILE; empty: the run file's path + ".log"
    std::string vcdFile;          // -vcd=FILE; empty: no VCD
    std::string junitFile;        // -junit=FILE; empty: no report
    std::string calFile;          // -cal=PATH for a .sym file
    // The settings file, an input of the run like the script: empty when the settings are not a file.
    std::string settingsFile;
    // Called when the run is refused because the settings file is one of the run's files; nothing
    // may then be written to it (the caller holds the settings' changes until the run is over).
    std::function<void()> dropSettingsChanges;
    bool showProgress = false;    // the error sink is a terminal: keep a progress line there
    std::function<std::int64_t()>
        clockMs; // monotonic milliseconds for the progress line; steady clock when empty
    // Called on the new session before it opens the file (a different trace store, for instance).
    std::function<void(CWizDoc&)> prepareSession;
};

// Everything the run has to say goes to host's error sink. Returns one of the statuses above.
int runBatch(const BatchOptions& options, BatchHost& host, Settings& settings);

// The log file a batch run of commandFile writes when no -log is given.
std::string defaultBatchLogPath(const std::string& commandFile);

} // namespace cellwatch
