#include "board/board_errors.h"

namespace cellwatch {

const char* boardErrorText(int code) {
    static const char* const kTexts[] = {
        "No error.",
        "Device Driver not found",
        "Device Driver initialisation failed.",
        "Bad configuration data in PCI device configuration header.",
        "Could not find CAL file.",
        "Error reading CAL file.",
        "Bus width error",
        "Bad configuration register",
        "Unknown error",
    };
    if (code < 0 || code > kBoardUnknownError)
        code = kBoardUnknownError;
    return kTexts[code];
}

} // namespace cellwatch
