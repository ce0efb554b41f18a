#pragma once
// How the result log lays traced values out: digit counts per radix, the vertical column header of
// a run, and the sample rows. Shared by the saved log file and the result log view.

#include "app/traced_component.h"

#include <cstdint>
#include <list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// How error and warning lines begin; they are counted, and the batch runner picks them out by it.
inline constexpr std::string_view kErrorPrefix = "ERROR: ";
inline constexpr std::string_view kWarningPrefix = "WARNING: ";

// The radix a component is shown in: the element's own, or the session default when it has none.
int componentRadix(const TracedComponent& component, int defaultRadix);
// Digits of a value w bits wide: ceil(w/3) in radix 8 or 10, ceil(w/4) in radix 16, w otherwise.
int digitCount(std::uint32_t widthBits, int radix);

// The column header: one line per character of the longest name, the names written vertically and
// bottom-aligned above the first digit of their value columns. Empty without components.
std::vector<std::string> columnHeader(const std::list<TracedComponent>& components, int defaultRadix);

// Appends one sample row ("#", the time in 8 zero-padded digits, then two blanks and each
// component's lastValue) without a line end. timeDivisor is 5 with the clock traced, else 10.
void appendSampleRow(std::string& out, std::uint32_t rowTime, std::uint32_t timeDivisor,
                     const std::list<TracedComponent>& components, int defaultRadix);
// The same row with values of the caller's own, one per component in list order: a reader of the
// log keeps the values it walked apart from the components, which only recording changes.
void appendSampleRow(std::string& out, std::uint32_t rowTime, std::uint32_t timeDivisor,
                     const std::list<TracedComponent>& components, int defaultRadix,
                     std::span<const std::int32_t> values);

} // namespace cellwatch
