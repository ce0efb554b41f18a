#pragma once
// One read of the board during a cycle: up to 32 traced rows of one column, chosen by a row mask
// whose cleared bits are the rows to read.

#include "board/column_access.h"
#include "design/device_geometry.h"

namespace cellwatch {

struct CellReadGroup {
    int column = 0;
    RowMask mask;  // full, then one cleared bit per row read
    int rows = 0;  // rows in the group, at most 32
    int first = 0; // index of its first cell in the session's flat list of read cells
    ColumnAccess access; // mask and column, prepared for the board once the group is complete
};

} // namespace cellwatch
