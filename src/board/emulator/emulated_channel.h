#pragma once
// The emulated LC3400DS as a driver channel: the board layer opens it like the real driver and reaches
// the emulated board's window and ports through it. This is the default board of the program.

#include "board/driver_channel.h"
#include "board/emulator/emulated_board.h"

#include <memory>

namespace cellwatch {

// A channel to a new emulated board with a 48, 64, 96 or 128-cell device (other sizes give 64).
std::unique_ptr<DriverChannel> makeEmulatedChannel(int cellsPerSide);
std::unique_ptr<DriverChannel> makeEmulatedChannel(const EmulatorOptions& options);

// The emulated board behind a channel made above; null for any other channel.
EmulatedBoard* emulatedBoardOf(DriverChannel& channel);

} // namespace cellwatch
