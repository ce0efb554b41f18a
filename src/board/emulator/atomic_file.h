#pragma once
// Writes a whole file so that readers see either the old file or the complete new one.

#include <string>
#include <string_view>

namespace cellwatch {

// Writes data to a temporary file in the target's folder, flushes it to disk and renames it over the
// target. On failure the target is untouched and the temporary file removed.
bool writeFileAtomically(const std::string& path, std::string_view data);

} // namespace cellwatch
