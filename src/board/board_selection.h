#pragma once
// Which board a session talks to: the value that names it (batch switch, environment, setting) and
// the driver channel that the value stands for.

#include "board/driver_channel.h"

#include <memory>
#include <string>
#include <string_view>

namespace cellwatch {

// The environment variable that names the board when no batch switch does.
inline constexpr const char* kBoardEnvironmentVariable = "CELLWATCH_BOARD";
inline constexpr const char* kDefaultBoardValue = "emulator";

// The first non-empty of the batch switch's value, the environment variable's value and the setting
// "Board"; "emulator" when all three are empty.
std::string chooseBoardValue(std::string_view batchSwitch, std::string_view environment,
                             std::string_view setting);

struct BoardSelection {
    // False for a value that names no board; error then says why.
    bool valid = false;
    // Null for "none": the session then opens without a board.
    std::unique_ptr<DriverChannel> channel;
    std::string error;
};

// emulator, emulator:48, emulator:64, emulator:96, emulator:128, none or pci:PATH. The keywords are
// matched without regard to case. pci:PATH gives a channel that reports no driver (not available yet).
BoardSelection selectBoard(std::string_view value);

} // namespace cellwatch
