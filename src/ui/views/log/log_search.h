#pragma once
// A search over the result log's display lines that runs in slices of a few milliseconds from the
// event loop, so that a log of millions of lines never freezes the window. Starting another search
// or cancel() stops the one under way; so does the log being emptied.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string_view>

namespace cellwatch {

class CWizDoc;
class LogLineIndex;

class LogSearch final : public QObject {
    Q_OBJECT
public:
    enum class Direction { Forward, Backward };
    // Whether a display line's text is what the search looks for.
    using Match = std::function<bool(std::string_view)>;

    // Each slice runs for about this long before it gives the event loop back.
    static constexpr int kSliceMs = 4;

    LogSearch(const CWizDoc& doc, LogLineIndex& index, QObject* parent = nullptr);

    // Looks at line from first, then toward the end (Forward) or line 0 (Backward).
    void start(std::uint64_t from, Direction direction, Match match);
    // Stops the search under way without a result.
    void cancel();
    bool running() const { return m_running; }

    // Slices are normally run by the event loop. While held they run only through runSlice(), so a
    // caller (a test, a stepping tool) can see the search between two slices whatever the machine's
    // speed; releasing the hold lets the event loop carry on.
    void setHeld(bool held);
    void runSlice();
    // At most this many lines per slice besides the time limit (0, the default: no line limit), so
    // that how many slices a search takes can be made independent of the machine's speed.
    void setSliceLineLimit(std::uint64_t lines) { m_sliceLineLimit = lines; }
    // Slices the last search took, and the longest of them in milliseconds.
    int slices() const { return m_slices; }
    qint64 longestSliceMs() const { return m_longestMs; }

Q_SIGNALS:
    // The search ended by itself: found, and then the display line found.
    void finished(bool found, quint64 line);

private:
    void slice();
    // One chunk of lines; true when the search is over (found holds the result).
    bool step();
    void finish(bool found, std::uint64_t line);

    const CWizDoc& m_doc;
    LogLineIndex& m_index;
    QTimer m_timer;
    Match m_match;
    Direction m_direction = Direction::Forward;
    std::uint64_t m_next = 0;       // the next line to look at
    std::uint64_t m_generation = 0; // of the store the search started on
    int m_slices = 0;
    qint64 m_longestMs = 0;
    bool m_running = false;
    bool m_held = false;
    std::uint64_t m_sliceLineLimit = 0;
};

} // namespace cellwatch
