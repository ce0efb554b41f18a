#pragma once
// The fixed-pitch font every text view of the window uses.

#include <QFont>

namespace cellwatch {

// "Courier New" where it is installed, else the desktop's own fixed-pitch font.
QFont fixedPitchFont();

} // namespace cellwatch
