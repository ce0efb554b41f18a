#pragma once
// The pictures of the window that are not Qt's standard icons, drawn by our code.

#include <QIcon>

namespace cellwatch {

// The program's icon (a chip with its pins), also on every child frame.
QIcon applicationIcon();
// The tool-bar button of "View wave externally": a square wave.
QIcon waveIcon();

} // namespace cellwatch
