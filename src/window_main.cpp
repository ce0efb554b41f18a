// The window's program, which `cellwatch` becomes for everything but unattended runs (and which can
// be started by itself with the same arguments). Warnings about the arguments were printed by
// `cellwatch` before it handed over.
#include "platform/command_line.h"
#include "ui/shell/desktop.h"

int main(int argc, char** argv) {
    const cellwatch::CommandLine line = cellwatch::parseCommandLine(argc, argv);
    return cellwatch::runDesktop(argc, argv, line);
}
