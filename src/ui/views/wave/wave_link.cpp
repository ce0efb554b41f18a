#include "ui/views/wave/wave_link.h"

#include "app/cwiz_doc.h"
#include "ui/views/log/report_view.h"

namespace cellwatch {

namespace {

std::uint32_t divisorOf(const CWizDoc& doc) {
    return doc.clockTrace() != nullptr ? 5u : 10u;
}

// The record that starts display line n, or none past the end.
std::optional<TraceRecord> recordOf(CReportView& log, std::uint64_t n) {
    const CWizDoc& doc = log.session();
    TraceRecord r;
    if (!doc.traceStore().get(log.lineIndex().recordOfLine(doc, n), r))
        return std::nullopt;
    return r;
}

} // namespace

std::optional<std::uint64_t> stampOfLine(CReportView& log, int n) {
    if (n < 0)
        return std::nullopt;
    const std::optional<TraceRecord> r = recordOf(log, static_cast<std::uint64_t>(n));
    if (!r || !r->isSample())
        return std::nullopt;
    return r->time / divisorOf(log.session());
}

std::optional<int> lineOfStamp(CReportView& log, std::uint64_t stamp) {
    const CWizDoc& doc = log.session();
    const std::uint32_t divisor = divisorOf(doc);
    // A text line's record carries its step's time + 1, so time / divisor never falls along the log:
    // the first line at or after the stamp is found by halving, and its sampling line is close after.
    std::uint64_t lo = 0;
    std::uint64_t hi = log.lineIndex().lineCount(doc);
    while (lo < hi) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        const std::optional<TraceRecord> r = recordOf(log, mid);
        if (r && r->time / divisor < stamp)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (std::uint64_t n = lo;; ++n) {
        const std::optional<TraceRecord> r = recordOf(log, n);
        if (!r || r->time / divisor > stamp)
            return std::nullopt;
        if (r->isSample())
            return static_cast<int>(n);
    }
}

void showStampInLogs(const CWizDoc& doc, std::uint64_t stamp) {
    for (LogView* view : doc.logViews()) {
        if (auto* log = dynamic_cast<CReportView*>(view)) {
            if (const std::optional<int> n = lineOfStamp(*log, stamp))
                log->showLine(*n);
        }
    }
}

} // namespace cellwatch
