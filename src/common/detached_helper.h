#pragma once
// Work a program about to end hands to a short-lived process it does not wait for: giving a large
// file's blocks back to the file system can take longer than the program's own last steps.

#include <string>

namespace cellwatch {

// Removes path in a helper process (`rm`); false when none could be started.
bool RemoveInHelper(const std::string& path);

// Cuts the open file fd to nothing in a helper process (`truncate`) that holds the file until it is
// done, so that the pages and blocks are given back there; the caller may close fd and remove its
// name at once. False when no helper could be started.
bool EmptyInHelper(int fd);

} // namespace cellwatch
