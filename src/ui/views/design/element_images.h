#pragma once
// The 16 x 16 pictures of design elements that the hierarchy and the trace list show, drawn by our
// own code. The values are the image indexes both views use; the trace list uses the first five.

#include <QIcon>

namespace cellwatch {

enum class ElementImage {
    Composite = 0,            // the two roots and composite levels
    Combinatorial = 1,        // a readable combinatorial symbol
    Sequential = 2,           // a readable sequential symbol
    Group = 3,                // a group (vector)
    Clock = 4,                // the clock register and the software clock
    SequentialUnreadable = 5, // shown, but its value cannot be read back
    CombinatorialUnreadable = 6,
};

// Made once per process, on first use (needs a QGuiApplication).
const QIcon& elementIcon(ElementImage image);

} // namespace cellwatch
