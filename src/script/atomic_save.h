#pragma once
// Saves a whole file so that the target is either left as it was or holds the complete new text:
// the bytes go to a temporary file in the target's folder, are flushed, and renamed over the target.

#include <string>
#include <string_view>

namespace cellwatch {

enum class SaveResult {
    Ok,
    CannotCreate, // no temporary file could be made in the target's folder
    WriteFailed,  // writing, flushing or renaming failed; the target is untouched
};

SaveResult SaveFileAtomically(const std::string& path, std::string_view data);

} // namespace cellwatch
