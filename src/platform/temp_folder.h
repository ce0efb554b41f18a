#pragma once
// The folder "HLC_temp" for temporary files (the wave viewer's VCD copies) and, inside it, a private
// folder of this process for its scratch files (the trace cache), so parallel runs never share one.

#include <cstdint>
#include <string>

namespace cellwatch {

// Creates an empty file with a unique name "HLC<letters>.tmp" in folder and returns its path, or an
// empty string when it cannot.
std::string createUniqueTempFile(const std::string& folder);

class TempFolder {
public:
    // base is the folder that receives "HLC_temp"; empty means the per-user cache folder.
    explicit TempFolder(const std::string& base = std::string());
    // Removes the private folder (and what is left in it).
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Creates "HLC_temp" (an existing one is fine) and this process's private folder inside it,
    // and removes the private folders of processes that have died. False when either cannot be made.
    // The private folder is on the list that SIGINT and SIGTERM clean up (common/termination_cleanup).
    bool prepare();
    bool isPrepared() const { return !m_privateFolder.empty(); }

    // ".../HLC_temp" without a trailing separator; empty until prepared.
    std::string path() const { return m_folder; }
    // This process's private folder inside HLC_temp; empty until prepared.
    std::string privatePath() const { return m_privateFolder; }

    // createUniqueTempFile in HLC_temp; empty until prepared.
    std::string createUniqueFile() const;

    // The exit clean-up: deletes every HLC*.tmp, then every HLC*.vcd, in HLC_temp. Returns how many
    // files went. Only the GUI copy should call it: a batch run must not take the viewer's files
    // from under a GUI that is still running.
    int removeLeftovers() const;

    // The per-user cache folder that holds HLC_temp by default.
    static std::string defaultBase();

private:
    std::string m_base;
    std::string m_folder;
    std::string m_privateFolder;
    int m_ownerLock = -1; // the descriptor holding the private folder's lock file locked
    std::uint64_t m_cleanupTicket = 0;
};

} // namespace cellwatch
