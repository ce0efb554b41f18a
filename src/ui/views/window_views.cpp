#include "ui/views/window_views.h"

#include "ui/views/script/cmd_view.h"
#include "ui/views/sram/memory_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/wave/wave_view.h"

namespace cellwatch {

namespace {

class WindowViewFactory final : public ViewFactory {
public:
    explicit WindowViewFactory(std::unique_ptr<ViewFactory> others) : m_others(std::move(others)) {}

    QWidget* makeView(ViewKind kind, CWizDoc& doc, QWidget* parent) override {
        switch (kind) {
        case ViewKind::Script:
            return new CCmdView(doc, parent);
        case ViewKind::ResultLog:
            return new CReportView(doc, parent);
        case ViewKind::Sram:
            return new CMemoryView(doc, parent);
        case ViewKind::Waveform:
            return new CWaveView(doc, parent);
        default:
            return m_others ? m_others->makeView(kind, doc, parent) : nullptr;
        }
    }

private:
    std::unique_ptr<ViewFactory> m_others;
};

} // namespace

std::unique_ptr<ViewFactory> makeWindowViewFactory(std::unique_ptr<ViewFactory> others) {
    return std::make_unique<WindowViewFactory>(std::move(others));
}

} // namespace cellwatch
