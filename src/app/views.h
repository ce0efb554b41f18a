#pragma once
// What the session tells each of its views. The GUI implements these over its Qt views; batch runs
// have none, and tests record the calls. Every call returns at once and never calls back into the
// session.

#include "script/text_buffer.h"

namespace cellwatch {

class DesignElement;
struct TracedComponent;

// A result log view: it reads the session's trace store itself and only needs to be told to redraw.
class LogView {
public:
    virtual ~LogView() = default;
    // Recount the lines and redraw from the trace store; follow also scrolls to the last line.
    virtual void refresh(bool follow) = 0;
    // Redraw scrolled to the first line and column, as a run begins.
    virtual void scrollToStart() = 0;
};

// The trace list ("Traced components").
class TraceListView {
public:
    virtual ~TraceListView() = default;
    // A new entry at the end of the list.
    virtual void addItem(const TracedComponent& entry) = 0;
    // Values of the entries changed (after a run step or a log walk).
    virtual void refreshValues() = 0;
    // The software clock was chosen or dropped: marks of clock entries change.
    virtual void refreshClockMarks() = 0;
    // The entry is about to be freed; drop its item.
    virtual void removeEntryItem(const TracedComponent& entry) = 0;
    // Every entry is about to be freed.
    virtual void removeAllItems() = 0;
};

// The design hierarchy.
class HierarchyView {
public:
    virtual ~HierarchyView() = default;
    // A new element (a group, under the groups item).
    virtual void addItem(DesignElement& element) = 0;
    virtual void markClock(DesignElement& reg) = 0;
    virtual void unmarkClock(DesignElement& reg) = 0;
    // The element, with the items under it, is about to be freed.
    virtual void removeItem(DesignElement& element) = 0;
};

// The command script view: its text, plus the title and colouring it derives from that text.
class ScriptView {
public:
    virtual ~ScriptView() = default;
    virtual TextBuffer& buffer() = 0;
    // The script's file or modified state changed.
    virtual void refreshTitle() = 0;
    // Colour settings may have changed: colour every line again.
    virtual void recolour() = 0;
};

} // namespace cellwatch
