#pragma once
// "View wave externally": the trace written to a fresh temporary VCD file and handed to the user's
// wave viewer program, which runs on its own.

#include <string>

namespace cellwatch {

class CWizDoc;
class SessionHost;
class Settings;

// tempFolder is the application's "HLC_temp" folder. Failures are told through host.messageOk; a
// viewer that cannot be started is not reported.
void viewWaveExternally(CWizDoc& doc, SessionHost& host, Settings& settings, const std::string& tempFolder);

// The command's enabling rule: a viewer is set, the trace holds a record and no run is executing
// (a paused or ended run allows it).
bool waveViewerEnabled(const CWizDoc& doc, Settings& settings);

} // namespace cellwatch
