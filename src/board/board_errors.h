#pragma once
// The board side's error codes and their fixed texts, as the session shows them to the user.

namespace cellwatch {

enum BoardError : int {
    kBoardNoError = 0,
    kBoardDriverNotFound = 1,
    kBoardDriverInitFailed = 2,
    kBoardBadPciHeader = 3,
    kBoardCalNotFound = 4,
    kBoardCalReadError = 5,
    kBoardBusWidthError = 6,
    kBoardBadConfigRegister = 7,
    kBoardUnknownError = 8,
};

// The text of a code 0..8; any other code gets the text of code 8.
const char* boardErrorText(int code);

} // namespace cellwatch
