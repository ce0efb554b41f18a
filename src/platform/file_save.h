#pragma once
// Saves a whole file through the common AtomicFile: the bytes go to a temporary file beside the
// target and replace it only when all of them are written, so a failed save leaves the old file
// intact. A link is followed; a device or FIFO is written in place.

#include <string>
#include <string_view>

namespace cellwatch {

struct SaveStatus {
    bool ok = false;
    std::string error; // empty when ok; otherwise a sentence naming the file and the cause
};

SaveStatus saveFileAtomically(const std::string& path, std::string_view bytes);

} // namespace cellwatch
