#pragma once
// Splitting file paths the way the session needs them: folder, file name and extension on '/'
// separators, and script paths resolved against the script's own folder.

#include <string>
#include <string_view>

namespace cellwatch {

// The part after the last '/'; the whole path when there is none.
std::string fileNameOf(std::string_view path);
// Everything before the last '/', without it; empty when there is none.
std::string folderOf(std::string_view path);
// The text after the last '.' of the file name, lower-cased; empty when there is none.
std::string extensionOf(std::string_view path);
// A path as written in a script: kept when absolute, empty, or found from the working directory;
// else taken relative to scriptFolder when it exists there; else kept unchanged.
std::string resolveAgainstFolder(std::string_view path, std::string_view scriptFolder);
// A regular file (links followed).
bool fileExists(const std::string& path);
// Anything at all at path, a FIFO or a device included: where a path leads is decided by what is
// there, and whether it can be read is decided (and explained) by its reader.
bool pathExists(const std::string& path);

} // namespace cellwatch
