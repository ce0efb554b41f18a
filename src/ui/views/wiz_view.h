#pragma once
// What a child frame needs to know of the view it holds: which kind it is (the frame's
// title names it), whether it lets itself be destroyed, and the colour refresh after the options
// sheet. Every view of the window implements it beside its session sink.

namespace cellwatch {

enum class ViewKind {
    Hierarchy, // "Design hierarchy"
    TraceList, // "Traced components"
    Script,    // "Command script - [path]"
    ResultLog, // "Result log"
    Sram,      // "SRAM contents"
    Waveform,  // "Waveform"
};

class WizView {
public:
    virtual ~WizView() = default;
    virtual ViewKind viewKind() const = 0;
    // Asked before the user's close of its frame; false keeps the frame open.
    virtual bool mayDestroy() const { return true; }
    // The colour settings changed: read them again and repaint.
    virtual void loadColours() {}
    // The session announced a change (the host's updateAllViews): a view that keeps its own copy of
    // what it shows reads it again.
    virtual void documentUpdated() {}
    // A run went on (the run monitor's steady redraw while it cycles, and once when it stops): a
    // view that follows the run catches up with it. Views that show nothing of a run ignore it.
    virtual void runAdvanced() {}
};

} // namespace cellwatch
