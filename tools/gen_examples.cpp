// Regenerates the example designs (.sym, .cal, .cmd) into a folder, by default the source tree's examples/.

#include "board/emulator/example_designs.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : std::string(CELLWATCH_SOURCE_DIR) + "/examples";
    if (!cellwatch::writeExampleDesigns(folder)) {
        std::fprintf(stderr, "gen_examples: cannot write the examples into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
