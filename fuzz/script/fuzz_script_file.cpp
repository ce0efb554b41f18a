// Arbitrary bytes as a command script: the design reference, the marked sections, the section
// rewriting and the View Sim export must cope with whatever a .cmd file holds.

#include "script/line_buffer.h"
#include "script/script_file.h"
#include "script/section_rewriter.h"
#include "script/view_sim_export.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace cellwatch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string path;
    if (readDesignReferenceText(input, path) && path.empty())
        std::abort();

    LineBuffer buffer(input);
    const int count = buffer.lineCount();
    for (auto [begin, end] :
         {std::pair{kVectorBeginMarker, kVectorEndMarker}, {kTraceBeginMarker, kTraceEndMarker}}) {
        const SectionRange r = findSection(buffer, begin, end);
        if (r.first < 0 || r.first > r.last || r.last > count)
            std::abort();
    }

    buffer.setSelection({{count / 2, 3}, {count, 0}});
    const std::string exported = viewSimText(buffer);
    if (exported.size() < 2 * static_cast<std::size_t>(count))
        std::abort();

    const bool traced = AddTraceLine(buffer, "top\\q");
    if (traced != (findMarkerLine(buffer, kTraceEndMarker) >= 0))
        std::abort();
    if (traced && !RemoveTraceLine(buffer, "top\\q"))
        std::abort();
    AddVectorLine(buffer, {"v", {"a", "b"}});
    RemoveVectorLine(buffer, "v");
    SetClockRegLine(buffer, "clk");
    SetClockModeLine(buffer, ClockMethod::CbufRead);
    if (!RemoveClockRegLine(buffer))
        std::abort();
    return 0;
}
