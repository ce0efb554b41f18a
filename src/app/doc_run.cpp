// The test run engine: starting, walking the command list, the timer-driven cycles, pause,
// continue and stop, the end of a run and the command bar's typed lines.

#include "app/cwiz_doc.h"

namespace cellwatch {

void CWizDoc::RunTest() {}
bool CWizDoc::StartRun(int) {
    return false;
}
void CWizDoc::RunCommands() {}
void CWizDoc::ExecuteCommand(const ScriptCommand&) {}
void CWizDoc::StartCycles(int) {}
void CWizDoc::OnRunTimer(int) {}
void CWizDoc::ContinueTest() {}
void CWizDoc::PauseTest() {}
void CWizDoc::StopTest() {}
void CWizDoc::ExecuteTypedCommand(const std::string&) {}
void CWizDoc::StepCycle() {}
void CWizDoc::ApplySequences() {}
void CWizDoc::ReadBoardCells() {}
void CWizDoc::ReadBoardCellsExceptClock() {}
void CWizDoc::RecordTraces() {}
bool CWizDoc::CheckBreaks() {
    return false;
}
std::uint32_t CWizDoc::ElementValue(const DesignElement*) const {
    return 0;
}
bool CWizDoc::AssignValue(DesignElement*, std::uint32_t, bool) {
    return false;
}
void CWizDoc::ClearRegisters() {}
bool CWizDoc::checkAssignment(DesignElement*) {
    return false;
}
bool CWizDoc::WriteTraceVcd(const std::string&) {
    return false;
}
bool CWizDoc::SaveTraceWave() {
    return false;
}
std::string CWizDoc::batchLogPath() const {
    return m_batchLogPath;
}
void CWizDoc::replaceTraceStore(std::unique_ptr<TraceStore> store) {
    if (store)
        m_pTraceStore = std::move(store);
    EmptyLog();
}

} // namespace cellwatch
