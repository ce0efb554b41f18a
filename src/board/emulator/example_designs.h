#pragma once
// The example designs shipped in examples/: each a design built with DesignBuilder plus the command
// script that exercises it. The generator program and the examples test both start from here.

#include "board/emulator/design_builder.h"

#include <string>
#include <vector>

namespace cellwatch {

struct ExampleDesign {
    std::string name; // file base name: name.sym, name.cal, name.cmd
    DesignBuilder design;
    std::string script; // the .cmd text, CR LF line ends
};

// counter8, shift16, lfsr4 and cbuf_counter, for the 64-cell member.
std::vector<ExampleDesign> exampleDesigns();

// Writes every example's three files into folder (which must exist); false on the first failure.
bool writeExampleDesigns(const std::string& folder);

} // namespace cellwatch
