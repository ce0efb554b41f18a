#include "ui/views/window_views.h"

#include "ui/views/design/symbol_view.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/cmd_view.h"
#include "ui/views/sram/memory_view.h"
#include "ui/views/wave/wave_view.h"

namespace cellwatch {

namespace {

class WindowViewFactory final : public ViewFactory {
public:
    QWidget* makeView(ViewKind kind, CWizDoc& doc, QWidget* parent) override {
        switch (kind) {
        case ViewKind::Hierarchy:
            return new CSymbolView(doc, parent);
        case ViewKind::TraceList:
            return new CTraceView(doc, parent);
        case ViewKind::Script:
            return new CCmdView(doc, parent);
        case ViewKind::ResultLog:
            return new CReportView(doc, parent);
        case ViewKind::Sram:
            return new CMemoryView(doc, parent);
        case ViewKind::Waveform:
            return new WaveView(doc, parent);
        }
        return nullptr;
    }
};

} // namespace

std::unique_ptr<ViewFactory> makeWindowViewFactory() {
    return std::make_unique<WindowViewFactory>();
}

} // namespace cellwatch
