#include "ui/dialogs/wave_viewer.h"

#include "app/cwiz_doc.h"
#include "app/session_host.h"
#include "app/settings.h"
#include "platform/process_start.h"
#include "platform/settings_catalogue.h"
#include "platform/temp_folder.h"

namespace cellwatch {

void viewWaveExternally(CWizDoc& doc, SessionHost& host, Settings& settings, const std::string& tempFolder) {
    const std::string viewer = settings.readString(settings::kEnvironment, settings::kWaveViewer, "");
    if (viewer.empty()) {
        host.messageOk("You must first specify a wave viewer app!");
        return;
    }
    // The empty .tmp file reserves the name; it stays behind for the exit clean-up.
    std::string path = createUniqueTempFile(tempFolder);
    if (path.size() < 3) {
        host.messageOk("Failed to create a tempory file needed for waveform viewing.");
        return;
    }
    path.replace(path.size() - 3, 3, "vcd");
    if (!doc.WriteTraceVcd(path)) {
        host.messageOk("Failed to save wave file");
        return;
    }
    // The viewer as the user typed it: a path with blanks must be quoted in the setting.
    (void)startDetached(viewer + " \"" + path + "\"");
}

bool waveViewerEnabled(const CWizDoc& doc, Settings& settings) {
    const RunState state = doc.runState();
    return !settings.readString(settings::kEnvironment, settings::kWaveViewer, "").empty() &&
           doc.traceStore().count() > 0 && state != RunState::Running && state != RunState::Cycling;
}

} // namespace cellwatch
