#pragma once
// What a run cut short by SIGINT, SIGTERM, SIGHUP or SIGQUIT must not leave behind: the temporary files of
// saves in progress and the private scratch folder. Each is listed here from the moment it is created until
// it is renamed or removed; the termination watch removes what is listed and ends the process.

#include <cstdint>
#include <functional>
#include <string>

namespace cellwatch {

enum class RemovableKind {
    File,
    Folder, // removed with everything in it
};

// Runs create with the list locked and lists the path it returns (empty: nothing was made). Creating
// under the lock means a signal handled meanwhile cannot miss the new file. Returns a ticket for
// settleRemovable, 0 when nothing was listed.
std::uint64_t createRemovable(RemovableKind kind, const std::function<std::string()>& create);

// Runs settle (which renames or removes what the ticket names) with the list locked, then takes it
// off the list. Ticket 0 runs settle alone.
void settleRemovable(std::uint64_t ticket, const std::function<void()>& settle);

// Removes everything listed and keeps the list locked for good, so that nothing can be created
// through it afterwards. Only for a process about to end.
void removeAllRemovables();

// Ends the process on SIGINT, SIGTERM, SIGHUP or SIGQUIT after removeAllRemovables, with exit status
// 128 + the signal (130, 143, 129, 131). Call before any other thread exists: the signals are blocked
// in the calling thread,
// so every later thread inherits the block and only the watch's own thread receives them.
// False when the watch could not start (the signals then keep their default action).
bool startTerminationWatch();

} // namespace cellwatch
