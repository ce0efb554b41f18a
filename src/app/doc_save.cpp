// Saving the command script and the result log; every file goes through an atomic replace.

#include "app/cwiz_doc.h"
#include "common/atomic_file.h"
#include "script/view_sim_export.h"

namespace cellwatch {

FileDialogRequest CWizDoc::saveRequest(std::string title, std::string ext, std::string filter) const {
    FileDialogRequest request;
    request.title = std::move(title);
    request.filter = std::move(filter);
    request.defaultExt = std::move(ext);
    request.startFolder = m_settings.readString("Environment", "Last path", "");
    request.overwritePrompt = true;
    return request;
}

bool CWizDoc::writeScript(const std::string& path, const char* createFailure) {
    TextBuffer* buffer = scriptBuffer();
    if (buffer == nullptr)
        return false;
    m_host.beginWaitCursor();
    const SaveResult result = saveFileAtomically(path, bufferText(*buffer));
    m_host.endWaitCursor();
    if (result == SaveResult::CannotCreate) {
        m_host.messageOk(createFailure);
        return false;
    }
    if (result == SaveResult::WriteFailed) {
        m_host.messageOk("Failed to put data in this file!");
        return false;
    }
    buffer->setModified(false);
    m_host.scriptSaved(path);
    return true;
}

bool CWizDoc::SaveScript() {
    if (scriptBuffer() == nullptr)
        return false;
    if (!m_pScriptPath) {
        std::optional<std::string> chosen =
            m_host.saveFileDialog(saveRequest("Save command script", "cmd"));
        if (!chosen)
            return false;
        m_pScriptPath = std::make_unique<std::string>(*chosen);
    }
    if (!writeScript(*m_pScriptPath, "-Failed to create new file!"))
        return false;
    if (m_pCmdView != nullptr)
        m_pCmdView->refreshTitle();
    return true;
}

bool CWizDoc::SaveScriptAs() {
    if (scriptBuffer() == nullptr)
        return false;
    std::optional<std::string> chosen =
        m_host.saveFileDialog(saveRequest("Save command script", "cmd"));
    if (!chosen)
        return false;
    m_pScriptPath = std::make_unique<std::string>(*chosen);
    if (!writeScript(*m_pScriptPath, "Failed to create new file!"))
        return false;
    // The view's title follows the new name; toggling the flag makes it redraw.
    TextBuffer* buffer = scriptBuffer();
    buffer->setModified(true);
    if (m_pCmdView != nullptr)
        m_pCmdView->refreshTitle();
    buffer->setModified(false);
    m_bTitleChanged = true;
    m_host.updateAllViews();
    return true;
}

bool CWizDoc::SaveResultLog() {
    std::optional<std::string> chosen =
        m_host.saveFileDialog(saveRequest("Save result log", "log"));
    if (!chosen)
        return false;
    return WriteResultLog(*chosen);
}

bool CWizDoc::ExportViewSimScript() {
    TextBuffer* buffer = scriptBuffer();
    if (buffer == nullptr)
        return false;
    const std::optional<std::string> chosen = m_host.saveFileDialog(
        saveRequest("Export command script", "", "Command files (*.cmd)|*.CMD|All files (*.*)|*.*"));
    if (!chosen)
        return false;
    m_host.beginWaitCursor();
    const SaveResult result = exportViewSim(*buffer, *chosen);
    m_host.endWaitCursor();
    if (result == SaveResult::CannotCreate) {
        m_host.messageOk("The file \"" + *chosen + "\" cannot be saved.");
        return false;
    }
    if (result == SaveResult::WriteFailed) {
        m_host.messageOk("Saving the file \"" + *chosen + "\" failed.");
        m_host.messageOk("Failed to put data in this file!");
        return false;
    }
    return true;
}

} // namespace cellwatch
