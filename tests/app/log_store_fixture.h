#pragma once
// A session without a design whose result log the test writes record by record: traced components
// over elements the fixture owns, a pool of log-line texts, and the plain walk from record 0 that
// the log view's pages must equal.

#include "fake_host.h"

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "app/settings.h"
#include "design/design_element.h"

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace cellwatch {

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = std::filesystem::temp_directory_path() / ("cellwatch_log_" + std::to_string(random()));
            if (std::filesystem::create_directory(m_path))
                return;
        }
        throw std::runtime_error("no scratch folder");
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

class LogStoreFixture {
public:
    LogStoreFixture() : host(scratch.path()), doc(host, settings, "none") {}

    // A traced component over a new element of that width and radix (-1: the session's).
    TracedComponent& addComponent(const std::string& name, std::uint32_t width, int radix) {
        auto& e = elements.emplace_back(std::make_unique<DesignElement>());
        e->size = width;
        e->radix = radix;
        e->shortName = e->fullName = name;
        TracedComponent entry;
        entry.name = name;
        entry.element = e.get();
        TracedComponent& added = doc.AppendTrace(std::move(entry));
        components.push_back(&added);
        return added;
    }
    // Makes the texts of the log lines the records will name, then empties the store (not the texts).
    void makeTexts(const std::vector<std::string>& texts) {
        for (const std::string& t : texts)
            doc.LogLine(t);
        doc.traceStore().reset();
    }
    void line(TraceHandle text, std::uint32_t time) {
        TraceRecord r;
        r.line = text;
        r.time = time;
        doc.traceStore().append(r);
    }
    void sample(const TracedComponent& c, std::int32_t value, std::uint32_t time) {
        TraceRecord r;
        r.component = c.handle;
        r.value = value;
        r.time = time;
        doc.traceStore().append(r);
    }
    // The benchmarks' log: four entries (clk, count, state, flags) sampled every 10 time units and a
    // text line every 100 cycles, until about records records are written.
    void writeBenchLog(std::uint32_t records) {
        addComponent("clk", 1, 2);
        addComponent("count", 16, 16);
        addComponent("state", 5, 10);
        addComponent("flags", 8, 2);
        makeTexts({"|step", "WARNING: slow"});
        std::uint32_t written = 0;
        for (std::uint32_t cycle = 0; written < records; ++cycle) {
            const std::uint32_t t = cycle * 10;
            for (const TracedComponent& c : doc.traceList()) {
                sample(c, static_cast<std::int32_t>(cycle * 7 + c.handle), t);
                ++written;
            }
            if (cycle % 100 == 99) {
                line(1 + cycle / 100 % 2, t + 1);
                ++written;
            }
        }
    }
    // Gives the entries values of their own, as recording would have left them.
    void setValues(std::int32_t value) {
        for (TracedComponent* c : components)
            c->lastValue = c->previousValue = value;
    }

    // A run as the engine writes it: header lines at time 0, then per step samples of the traced
    // components (all, some, or none while tracing is off) and log lines at the step's time + 1.
    void randomRun(std::mt19937& rng, int steps) {
        std::uniform_int_distribution<int> percent(0, 99);
        const auto texts = static_cast<TraceHandle>(doc.logLines().size());
        std::uniform_int_distribution<TraceHandle> text(1, texts);
        for (int i = percent(rng) % 4; i > 0; --i)
            line(text(rng), 0);
        bool tracing = true;
        for (int step = 0; step < steps; ++step) {
            const auto t = static_cast<std::uint32_t>(step * 10);
            if (percent(rng) < 10)
                tracing = !tracing;
            if (tracing) {
                const bool all = percent(rng) < 70;
                for (const TracedComponent& c : doc.traceList())
                    if (all || percent(rng) < 50)
                        sample(c, static_cast<std::int32_t>(rng() % 4096) - 100, t);
            }
            for (int n = percent(rng) < 40 ? percent(rng) % 3 + 1 : 0; n > 0; --n)
                line(text(rng), t == 0 ? 0 : t + 1);
        }
    }

    // The display lines first .. first + count - 1 as the plain walk from record 0 draws them, with
    // values of its own (a component not sampled yet shows its entry's last recorded value).
    std::vector<std::string> plainPage(std::uint64_t first, int count) {
        walked.clear();
        for (const TracedComponent& c : doc.traceList())
            walked[c.handle] = c.lastValue;
        TraceStore& store = doc.traceStore();
        TraceRecord r;
        std::uint32_t index = 0;
        bool haveSample = false;
        std::uint32_t lastTime = 0;
        std::uint64_t lineNo = 0;
        bool found = false;
        for (; store.get(index, r); ++index) {
            if (r.isLogLine() || !haveSample || r.time != lastTime) {
                if (lineNo++ == first) {
                    found = true;
                    break;
                }
            }
            if (r.isSample()) {
                applySample(r);
                haveSample = true;
                lastTime = r.time;
            }
        }
        std::vector<std::string> out;
        if (!found)
            return out;
        const std::uint32_t divisor = doc.clockTrace() != nullptr ? 5 : 10;
        bool pending = false;
        std::uint32_t rowTime = 0;
        auto instant = [&] {
            std::string row;
            std::vector<std::int32_t> shown;
            for (const TracedComponent& c : doc.traceList())
                shown.push_back(walked[c.handle]);
            appendSampleRow(row, rowTime, divisor, doc.traceList(), doc.radix(), shown);
            out.push_back(row);
            pending = false;
        };
        for (; static_cast<int>(out.size()) < count && store.get(index, r); ++index) {
            if (pending && r.time != rowTime) {
                instant();
                if (static_cast<int>(out.size()) == count)
                    return out;
            }
            if (r.isLogLine()) {
                out.push_back(*doc.logLineOf(r.line));
            } else {
                applySample(r);
                rowTime = r.time;
                pending = true;
            }
        }
        if (pending && static_cast<int>(out.size()) < count && index >= store.count() && rowTime != 0)
            instant();
        return out;
    }

    ScratchFolder scratch;
    FakeHost host;
    MemorySettings settings;
    std::deque<std::unique_ptr<DesignElement>> elements; // outlive the session's references
    CWizDoc doc;
    std::vector<TracedComponent*> components; // as addComponent made them

private:
    void applySample(const TraceRecord& r) {
        if (doc.componentOf(r.component) != nullptr)
            walked[r.component] = r.value;
    }
    std::map<TraceHandle, std::int32_t> walked; // the plain walk's values by handle
};

} // namespace cellwatch
