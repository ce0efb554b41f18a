// Writes the full-size workload of the 128-cell member (workload128.sym, .cal and .cmd) into a folder.
// Usage: gen_workload128 [-cycles=N] [-method=reg_out|cbuf_read|cbuf_assign] [-untraced] [-nochecks] folder
// Run the script with: cellwatch -run -board=emulator:128 folder/workload128.cmd

#include "board/emulator/workload128.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: gen_workload128 [-cycles=N] [-method=reg_out|cbuf_read|cbuf_assign] "
                         "[-untraced] [-nochecks] folder\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    cellwatch::Workload128Options options;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-cycles=", 0) == 0) {
            char* end = nullptr;
            const long cycles = std::strtol(arg.c_str() + 8, &end, 10);
            if (*end != '\0' || cycles < 0 || cycles > 100000000)
                return usage();
            options.cycles = static_cast<int>(cycles);
        } else if (arg.rfind("-method=", 0) == 0) {
            options.method = arg.substr(8);
        } else if (arg == "-untraced") {
            options.traced = false;
        } else if (arg == "-nochecks") {
            options.checks = false;
        } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return usage();
        }
    }
    if (folder.empty())
        return usage();
    if (!cellwatch::writeWorkload128(folder, options)) {
        std::fprintf(stderr,
                     "gen_workload128: cannot write the workload into %s (does the folder exist? "
                     "is the method one of reg_out, cbuf_read, cbuf_assign?)\n",
                     folder.c_str());
        return 1;
    }
    std::printf("%s/workload128.cmd: %d cells, %d cycles, %s\n", folder.c_str(),
                cellwatch::workload128CellCount(), options.cycles, options.method.c_str());
    return 0;
}
