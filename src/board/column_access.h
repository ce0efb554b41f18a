#pragma once
// The rows of one column as a run reaches them every cycle: the row map and the column's window
// offsets worked out once, for the member current when it was prepared.

#include "board/driver_channel.h"
#include "design/device_geometry.h"

namespace cellwatch {

struct ColumnAccess {
    MappedColumnAccess bus;
    RowMask mask;
    int column = 0;
    int mode = -1; // the member's mode; -1 until prepared
};

// The access for mask and column on the current member.
ColumnAccess prepareColumnAccess(const RowMask& mask, int column);

} // namespace cellwatch
