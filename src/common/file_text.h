#pragma once
// Reads a whole file into memory: the symbol table and script readers take their input this way.
// Inputs are read only from regular files: a FIFO or a device (/dev/zero) would block a run or never
// end, so it is refused as a missing file would be, with a reason that says what it is.

#include <string>

#include <cstdint>

namespace cellwatch {

// No input of a real design comes near this: the symbol table and CAL file of the largest device
// and the longest generated scripts are a few MiB. Larger files are refused before a byte is read,
// rather than taking gigabytes of memory first.
inline constexpr std::uint64_t kMaxInputFileBytes = std::uint64_t{64} << 20;

// Empty when path names a regular file (links followed) that can be opened for reading; otherwise
// why it cannot serve as an input, as the end of a sentence: "does not exist", "is a FIFO, not a
// regular file", "cannot be read (Permission denied)", "is larger than 64 MiB (...)".
std::string inputFileProblem(const std::string& path);

// Opens path read-only when it is a regular file, without ever blocking on a FIFO. -1 otherwise, with
// why (when given) set as inputFileProblem would set it.
int openInputFile(const std::string& path, std::string* why = nullptr);

// False when the file cannot be opened or read, or is not a regular file; the text is then left
// empty. why, when given, says what went wrong.
bool readFileText(const std::string& path, std::string& text, std::string* why = nullptr);

} // namespace cellwatch
