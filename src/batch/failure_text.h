#pragma once
// How an unattended run words a failure on standard error and in the JUnit report: each failed
// check with its script place, the value expected and the value read; each error or warning of the
// script with its line. The result log keeps its own texts; these are for the terminal and the
// build server, where the first line shown has to say what went wrong and where.

#include "batch/run_recorder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cellwatch {

// A value as a script writes it: the digits of the radix, zero-padded to the element's width as the
// log shows them, and the radix suffix (`\b`, `\o`, `\d`, `\h`), so that it can be pasted into a
// `check` line and is never read as binary by mistake.
std::string scriptValueText(std::uint32_t value, std::uint32_t widthBits, int radix);

// "FILE:LINE: " (line 0-based, shown from 1), or "FILE: " when the line is not known.
std::string scriptPlace(std::string_view file, int line);

// "FILE:LINE: Assertion failed on NAME: expected X, read Y".
std::string checkFailureText(std::string_view file, const CheckOutcome& check);

// "FILE:LINE: " and the log's line; a value the script could not read also gets a reminder of how
// values are written.
std::string scriptProblemText(std::string_view file, int line, std::string_view logLine);

} // namespace cellwatch
