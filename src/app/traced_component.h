#pragma once
// One entry of the session's trace list: an element being traced and the values the log walk last
// saw for it.

#include "trace/trace_record.h"

#include <cstdint>
#include <string>

namespace cellwatch {

class DesignElement;

struct TracedComponent {
    std::string name;                 // the element's short name
    DesignElement* element = nullptr; // not owned
    std::int32_t lastValue = 0;
    std::int32_t previousValue = 0;
    // How the trace store's sample records name this entry; assigned by the session.
    TraceHandle handle = kNoTraceHandle;
};

} // namespace cellwatch
