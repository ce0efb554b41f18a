#pragma once
// The normal start of the program: the window, one copy per user, the file named on the command line.

#include "platform/command_line.h"

namespace cellwatch {

class CWizApp;
class InstanceChannel;

// Files that a second copy hands over bring the window to the front and open as "Open..." would.
void connectHandOver(InstanceChannel& channel, CWizApp& wiz);

// The exit status when there is no display to open the window on.
inline constexpr int kNoDisplay = 2;

// Runs the window until it closes and returns the exit status. A second copy hands its file (if
// any) to the running copy and ends without a window. argc and argv go to QApplication.
int runDesktop(int& argc, char** argv, const CommandLine& line);

} // namespace cellwatch
