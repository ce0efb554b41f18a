#pragma once
// Reads a whole text file into memory, the way the script readers take their input.

#include <string>

namespace cellwatch {

// False when the file cannot be opened or read; the text is then left empty.
bool ReadFileText(const std::string& path, std::string& text);

} // namespace cellwatch
