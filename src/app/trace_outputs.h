#pragma once
// The two files a walk over the trace can fill: the saved result log (lines and rows with CR LF, in
// large blocks) and the VCD (each sample record fed to the writer). A walk may fill both at once.

#include "app/sample_rows.h"
#include "app/traced_component.h"
#include "common/atomic_file.h"
#include "trace/trace_record.h"
#include "trace/vcd_sample_feed.h"
#include "trace/vcd_writer.h"

#include <cstddef>
#include <cstring>
#include <list>
#include <memory>
#include <string_view>
#include <vector>

namespace cellwatch {

// Declares one VCD variable per traced component with an element and takes the sample records.
class VcdTraceSink {
public:
    VcdTraceSink(VcdWriter& writer, const std::list<TracedComponent>& traceList, int defaultRadix);

    void record(const TraceRecord& record) {
        if (!record.isSample() || record.component >= m_slotOfHandle.size())
            return;
        const std::size_t slot = m_slotOfHandle[record.component];
        if (slot != kNoSlot)
            m_feed.sample(slot, record.time, record.value);
    }

private:
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
    VcdSampleFeed m_feed;
    std::vector<std::size_t> m_slotOfHandle; // handle -> the feed's component number
};

// Nothing more to do with a record.
struct NoRecordSink {
    void record(const TraceRecord&) {}
};

// Collects log text in a large buffer and hands it to the file in blocks. Every record also goes
// to next, so that one walk can feed another output.
template <class Next = NoRecordSink>
class LogFileSink {
public:
    static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

    // Whatever is still buffered must be flushed before the file is committed.
    LogFileSink(AtomicFile& file, Next& next) : m_file(file), m_next(next), m_buffer(new char[kBufferBytes]) {}
    LogFileSink(const LogFileSink&) = delete;
    LogFileSink& operator=(const LogFileSink&) = delete;

    void record(const TraceRecord& r) { m_next.record(r); }
    void line(std::string_view text) { put(text); }
    // text is a row of SampleRows, followed by its slack.
    void row(std::string_view text) {
        // Rows are short and many: one fixed-size copy each, its tail overwritten by what comes next.
        constexpr std::size_t kCopy = SampleRows::kRowSlack;
        const std::size_t copied = (text.size() + kCopy - 1) / kCopy * kCopy;
        if (m_used + copied + 2 <= kBufferBytes) [[likely]] {
            char* at = m_buffer.get() + m_used;
            for (std::size_t k = 0; k < copied; k += kCopy)
                std::memcpy(at + k, text.data() + k, kCopy);
            at[text.size()] = '\r';
            at[text.size() + 1] = '\n';
            m_used += text.size() + 2;
            return;
        }
        put(text);
    }

    // One line and its CR LF.
    void put(std::string_view text) {
        if (m_used + text.size() + 2 > kBufferBytes) [[unlikely]] {
            flush();
            if (text.size() + 2 > kBufferBytes) {
                m_file.write(text.data(), text.size());
                m_file.write("\r\n", 2);
                return;
            }
        }
        char* at = m_buffer.get() + m_used;
        std::memcpy(at, text.data(), text.size());
        at[text.size()] = '\r';
        at[text.size() + 1] = '\n';
        m_used += text.size() + 2;
    }

    void flush() {
        if (m_used > 0)
            m_file.write(m_buffer.get(), m_used);
        m_used = 0;
    }

private:
    AtomicFile& m_file;
    Next& m_next;
    std::unique_ptr<char[]> m_buffer; // not cleared: only what was put is ever written
    std::size_t m_used = 0;
};

} // namespace cellwatch
