#pragma once
// The five read-only fields of the "Element info" dialog, worked out from one element so that both
// views show the same texts.

#include "design/design_element.h"

#include <string>

namespace cellwatch {

struct ElementInfo {
    std::string name;   // "Name"
    std::string type;   // "Type"
    std::string size;   // "Size"
    std::string column; // "Column": "n\a" when negative
    std::string row;    // "Row": "n\a" when negative
};

const char* elementTypeText(const DesignElement& element);
ElementInfo elementInfo(const DesignElement& element);

} // namespace cellwatch
