#include "app/live_output.h"

#include "app/log_format.h"
#include "design/design_element.h"

namespace cellwatch {

std::vector<LogWalkSlot> logWalkSlots(const std::list<TracedComponent>& traceList,
                                      const std::vector<TracedComponent*>& componentTable,
                                      std::vector<TracedComponent>* copies) {
    std::vector<LogWalkSlot> slots(componentTable.size() + 1);
    std::size_t field = 0;
    for (const TracedComponent& entry : traceList) {
        const TraceHandle handle = entry.handle;
        if (handle != kNoTraceHandle && handle <= componentTable.size() &&
            componentTable[handle - 1] == &entry)
            slots[handle] = LogWalkSlot{copies ? &(*copies)[field] : &entry, field};
        ++field;
    }
    return slots;
}

LiveOutput::Layout LiveOutput::layoutOf(const LogWalkInputs& session) {
    Layout layout;
    layout.radix = session.radix;
    layout.clockTraced = session.clockTraced;
    for (const TracedComponent& entry : session.traceList) {
        const TraceHandle handle = entry.handle;
        const bool named = handle != kNoTraceHandle && handle <= session.componentTable.size() &&
                           session.componentTable[handle - 1] == &entry;
        const DesignElement* element = entry.element;
        layout.fields.push_back(FieldLayout{&entry, handle, named, element, element ? element->size : 0u,
                                            componentRadix(entry, session.radix),
                                            element ? element->fullName : std::string()});
    }
    return layout;
}

LiveOutput::LiveOutput(TraceStore& store, const LogWalkInputs& session)
    : m_store(&store), m_lines(session.lines), m_layout(layoutOf(session)),
      m_copies(session.traceList.begin(), session.traceList.end()),
      m_rows(session.traceList, session.radix, session.clockTraced ? 5 : 10), m_fileSink(m_logFile, m_tap),
      m_walk(m_slots, m_rows, m_sink) {
    for (const TracedComponent& entry : m_copies)
        m_startValues.push_back(entry.lastValue);
    m_seen.assign(m_copies.size(), 0);
    m_unseenShown.assign(m_copies.size(), 0);
    m_slots = logWalkSlots(session.traceList, session.componentTable, &m_copies);
    std::vector<std::uint8_t> reachable(m_copies.size(), 0);
    for (const LogWalkSlot& slot : m_slots)
        if (slot.component != nullptr)
            reachable[slot.field] = 1;
    // A field no record can reach shows its start value in every row: checked at the end as shown.
    for (std::size_t i = 0; i < reachable.size(); ++i) {
        if (reachable[i]) {
            ++m_unseen;
            ++m_belowTwo;
        } else {
            m_unseenShown[i] = 1;
        }
    }
}

std::unique_ptr<LiveOutput> LiveOutput::start(TraceStore& store, const LogWalkInputs& session,
                                              const std::string& logPath, const std::string& vcdPath,
                                              std::string vcdDate) {
    // The walk must see every record from the first; a store past its first block has some it could
    // only read back on this thread.
    if (store.blockCount() != 1 || logPath.empty())
        return nullptr;
    if (resolveSaveTarget(logPath).kind != SaveTarget::Kind::Replace ||
        (!vcdPath.empty() && resolveSaveTarget(vcdPath).kind != SaveTarget::Kind::Replace))
        return nullptr;
    std::unique_ptr<LiveOutput> live(new LiveOutput(store, session));
    if (!live->m_logFile.open(logPath))
        return nullptr;
    // The files grow for as long as the run lasts: what the run has made is on the disk by its end.
    live->m_logFile.flushInBackground();
    if (!vcdPath.empty()) {
        live->m_vcd = std::make_unique<VcdWriter>(vcdPath, std::move(vcdDate));
        live->m_vcd->setTimescale(10, 1); // 10 ms: one unit of the session's time
        live->m_vcd->flushInBackground();
        live->m_vcdSink = std::make_unique<VcdTraceSink>(*live->m_vcd, session.traceList, session.radix);
    }
    // The files about to be replaced may be large: their pages are dropped now rather than at the
    // renames, which the end of the run waits for.
    live->m_lanes[0] = std::make_unique<JobThread>();
    live->m_lanes[0]->post([logPath](std::stop_token) { dropCachedPages(logPath); });
    if (live->m_vcdSink) {
        live->m_lanes[1] = std::make_unique<JobThread>();
        live->m_lanes[1]->post([vcdPath](std::stop_token) { dropCachedPages(vcdPath); });
    }
    store.setFollower(live.get());
    return live;
}

LiveOutput::~LiveOutput() {
    stop(false);
    if (m_store)
        m_store->setFollower(nullptr);
    if (!m_finished)
        m_logFile.abandon();
    // An uncommitted VcdWriter leaves its target alone and drops its temporary file.
}

LiveOutput::Chunk LiveOutput::chunkOf(std::span<const TraceRecord> records, std::size_t block,
                                      std::size_t logLines) const {
    Chunk chunk{records, block, {}};
    if (logLines == 0)
        return chunk;
    for (const TraceRecord& record : records) {
        if (!record.isLogLine())
            continue;
        if (record.line <= m_lines.size())
            chunk.lineTexts.emplace_back(m_lines[record.line - 1]);
        else
            chunk.lineTexts.emplace_back(std::nullopt);
    }
    return chunk;
}

void LiveOutput::push(Chunk chunk) {
    const bool tail = chunk.block == kNoBlock;
    m_gathered.push_back(std::move(chunk));
    // Waking a lane costs the run a system call: they are handed a few blocks at a time (and
    // whatever the run has to wait for, and the tail).
    if (tail || m_gathered.size() == kBlocksPerWake)
        handOver();
}

void LiveOutput::handOver() {
    if (m_gathered.empty())
        return;
    std::size_t end = m_handed.empty() ? 0 : m_handed.back().end;
    for (const Chunk& chunk : m_gathered)
        if (chunk.block != kNoBlock)
            end = chunk.block + 1;
    // Both lanes walk the same chunks, which go once neither needs them.
    const auto group = std::make_shared<const std::vector<Chunk>>(std::move(m_gathered));
    m_gathered.clear();
    Handed handed{end, {0, 0}};
    for (int lane = 0; lane < 2; ++lane) {
        if (!m_lanes[lane])
            continue;
        handed.job[lane] = m_lanes[lane]->post([this, lane, group](std::stop_token stop) {
            for (const Chunk& chunk : *group) {
                if (stop.stop_requested())
                    return;
                walkChunk(lane, chunk);
            }
        });
    }
    m_handed.push_back(handed);
}

void LiveOutput::blockFilled(std::size_t block, std::span<const TraceRecord> records, std::size_t logLines) {
    if (m_stale || m_finished)
        return;
    push(chunkOf(records, block, logLines));
    m_nextRecord = static_cast<std::uint64_t>(block + 1) * TraceStore::kRecordsPerBlock;
}

void LiveOutput::blockLeaving(std::size_t block) {
    if (m_stale || m_finished)
        return;
    if (m_handed.empty() || m_handed.back().end <= block)
        handOver();
    while (!m_handed.empty() && m_handed.front().end <= block)
        m_handed.pop_front(); // walked before: a later block was waited for
    if (m_handed.empty())
        return;
    for (int lane = 0; lane < 2; ++lane)
        if (m_lanes[lane])
            m_lanes[lane]->waitFor(m_handed.front().job[lane]);
}

void LiveOutput::storeEmptied() {
    // The records go with the store: the walk stops before they do.
    stop(false);
    m_stale = true;
    m_store = nullptr;
}

void LiveOutput::walkChunk(int lane, const Chunk& chunk) {
    if (lane == 1) {
        for (const TraceRecord& record : chunk.records)
            m_vcdSink->record(record);
        return;
    }
    std::size_t next = 0;
    m_walk.feed(chunk.records, [&](TraceHandle) -> const std::string* {
        if (next >= chunk.lineTexts.size()) [[unlikely]]
            return nullptr;
        const std::optional<std::string>& text = chunk.lineTexts[next++];
        return text ? &*text : nullptr;
    });
}

void LiveOutput::noteUnseenShown() {
    // Fields only ever become seen: those unseen at a later row were unseen at this one too.
    if (m_unseenNoted)
        return;
    m_unseenNoted = true;
    for (std::size_t i = 0; i < m_seen.size(); ++i)
        if (m_seen[i] == 0)
            m_unseenShown[i] = 1;
}

bool LiveOutput::stop(bool drain) {
    if (drain)
        handOver();
    bool walked = m_gathered.empty();
    m_gathered.clear();
    for (const std::unique_ptr<JobThread>& lane : m_lanes) {
        if (lane && drain)
            walked = lane->waitIdle() && walked;
        else if (lane)
            lane->stop();
    }
    m_handed.clear();
    return drain && walked;
}

bool LiveOutput::finish(const LogWalkInputs& session, const std::vector<std::string>& unstoredLines) {
    if (m_stale || m_finished || !m_store) {
        stop(false);
        return false;
    }
    // The tail block was never announced: its records go to the walk from here.
    TraceStore& store = *m_store;
    while (m_nextRecord < store.count()) {
        const std::span<const TraceRecord> rest = store.recordsFrom(static_cast<std::uint32_t>(m_nextRecord));
        if (rest.empty())
            break;
        push(chunkOf(rest, kNoBlock, kUnknownLines));
        m_nextRecord += rest.size();
    }
    const bool walked = stop(true);
    store.setFollower(nullptr);
    m_store = nullptr;
    if (!walked)
        return false;
    if (m_nextRecord != store.count() || !(layoutOf(session) == m_layout))
        return false;
    // A row that showed a field before its first sample showed the value the entry had when the
    // run started; the end walk would show the one it has now.
    std::size_t field = 0;
    for (const TracedComponent& entry : session.traceList) {
        if (m_unseenShown[field] && entry.lastValue != m_startValues[field])
            return false;
        ++field;
    }
    m_walk.finish();
    for (const std::string& text : unstoredLines)
        m_fileSink.put(text);
    m_fileSink.flush();
    // Both files' last parts head for the disk together; the commits then wait for each in turn.
    m_logFile.startWriteback();
    if (m_vcd)
        m_vcd->startWriteback();
    m_finished = true;
    return true;
}

bool LiveOutput::commitLog() {
    return m_finished && m_logFile.commit();
}

bool LiveOutput::commitVcd() {
    return m_finished && m_vcd && m_vcd->write();
}

} // namespace cellwatch
