#pragma once
// Reads a whole file into memory: the symbol table and script readers take their input this way.

#include <string>

namespace cellwatch {

// False when the file cannot be opened or read; the text is then left empty.
bool ReadFileText(const std::string& path, std::string& text);

} // namespace cellwatch
