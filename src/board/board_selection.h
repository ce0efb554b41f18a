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

// emulator, emulator:48, emulator:64, emulator:96, emulator:128, none, pci:ADDRESS or pci:PATH. The
// keywords are matched without regard to case. pci: gives the channel over that PCI device's sysfs
// folder (/sys/bus/pci/devices/ADDRESS, or PATH when the value holds a '/'); it is opened later, by
// BoardDriver, and a folder that is missing or unusable shows there as error 1 or 2.
BoardSelection selectBoard(std::string_view value);

// Why the board of the last selectBoard could not be opened, beyond its error code's fixed text: the
// file's path and the system's reason ("/sys/.../resource0: Permission denied"). Empty when it opened,
// or when its channel gives no reason (the emulated board, none). One board per process, as with the
// driver handle; batch runs print it on standard error and the session can add it to its log.
const std::string& lastBoardFailure();

// The text of `cellwatch --list-boards`: the emulated members, none, and every device folder under
// pciRoot with what keeps it from being used.
std::string boardListText(std::string_view pciRoot);

} // namespace cellwatch
