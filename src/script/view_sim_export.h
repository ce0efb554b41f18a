#pragma once
// The View Sim copy of a command script: every line kept, with the commands that only make sense on
// the board or in this program turned into comments.

#include "common/atomic_file.h"
#include "script/text_buffer.h"

#include <string>

namespace cellwatch {

// The exported text: every line followed by CR LF; a line whose first token (any case) is traceon,
// traceoff, setclockreg, clear, reset, setclockmode, loadcal, comment, fm or bctl gets "| " in front.
std::string viewSimText(const TextBuffer& buffer);

// Writes viewSimText to the path atomically; the session's own script is not touched.
SaveResult exportViewSim(const TextBuffer& buffer, const std::string& path);

} // namespace cellwatch
