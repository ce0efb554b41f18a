#pragma once
// Between the waveform's stamps and the result log's display lines: a sampling line names the
// stamp of its instant, and a stamp has the sampling line of its instant.

#include <cstdint>
#include <optional>

namespace cellwatch {

class CReportView;
class CWizDoc;

// The stamp of display line n when it is a sampling line; none for a text line.
std::optional<std::uint64_t> stampOfLine(CReportView& log, int n);
// The sampling line of that stamp, or none when the log has none for it.
std::optional<int> lineOfStamp(CReportView& log, std::uint64_t stamp);
// Scrolls every result log view to the sampling line of the stamp and marks it.
void showStampInLogs(const CWizDoc& doc, std::uint64_t stamp);

} // namespace cellwatch
