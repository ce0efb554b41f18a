#pragma once
// Where the batch module's words go: the program hands it standard error, tests hand it a string.

#include <functional>
#include <string_view>

namespace cellwatch {

// Receives text exactly as it should appear, line ends included.
using TextSink = std::function<void(std::string_view)>;

} // namespace cellwatch
