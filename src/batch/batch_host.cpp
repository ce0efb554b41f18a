// Answers of the unattended run: words to the error sink, safe answers, a recorded run timer.

#include "batch/batch_host.h"

#include "app/path_names.h"
#include "common/file_text.h"

namespace cellwatch {

BatchHost::BatchHost(TextSink errors, std::function<std::string()> scratchFolder,
                     std::function<std::string()> localDate)
    : m_errors(std::move(errors)), m_scratchSource(std::move(scratchFolder)),
      m_localDate(std::move(localDate)) {}

void BatchHost::setSessionFile(std::string sessionFile, std::string calFile) {
    m_sessionFile = std::move(sessionFile);
    m_calFile = std::move(calFile);
}

std::string escapeForTerminal(std::string_view text) {
    // Bytes of a script or a path (escape, bell, carriage return, and the C1 controls such as CSI, as
    // single bytes or as UTF-8) would act on the user's terminal: escaped. Other UTF-8 text stays.
    static const char hex[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size());
    const auto escape = [&line](unsigned char byte) {
        line += "\\x";
        line += hex[byte >> 4];
        line += hex[byte & 0xf];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7f) {
            escape(byte);
        } else if (byte == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            // U+0080 to U+009F written as UTF-8.
            escape(byte);
            escape(static_cast<unsigned char>(text[++i]));
        } else if (byte >= 0x80) {
            // A whole UTF-8 sequence passes; a byte outside one that is a C1 control does not.
            std::size_t length = 1;
            if (byte >= 0xc2 && byte <= 0xdf)
                length = 2;
            else if (byte >= 0xe0 && byte <= 0xef)
                length = 3;
            else if (byte >= 0xf0 && byte <= 0xf4)
                length = 4;
            bool whole = length > 1 && i + length <= text.size();
            for (std::size_t k = 1; whole && k < length; ++k)
                whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
            if (whole) {
                line.append(text.substr(i, length));
                i += length - 1;
            } else if (byte <= 0x9f) {
                escape(byte);
            } else {
                line += static_cast<char>(byte);
            }
        } else {
            line += static_cast<char>(byte);
        }
    }
    return line;
}

void BatchHost::say(std::string_view text) {
    if (!m_errors)
        return;
    m_errors("cellwatch: " + escapeForTerminal(text) + "\n");
}

void BatchHost::messageOk(std::string_view text) {
    m_messages.emplace_back(text);
    say(text);
}

// No file changes behind the back of a user who is not there: questions get No, or Cancel when offered.
Answer BatchHost::askYesNo(std::string_view text) {
    m_messages.emplace_back(text);
    say(std::string(text) + " [answered No]");
    return Answer::No;
}

Answer BatchHost::askYesNoCancel(std::string_view text) {
    m_messages.emplace_back(text);
    say(std::string(text) + " [answered Cancel]");
    return Answer::Cancel;
}

bool BatchHost::boardNotFound(std::string_view title, std::string_view text, std::string_view checkBoxText) {
    (void)checkBoxText;
    std::string message(title);
    message += ' ';
    message += text;
    m_messages.push_back(message);
    say(message);
    // Never ticked: a batch run must not change the user's "Dont warn" setting.
    return false;
}

std::optional<std::string> BatchHost::openFileDialog(const FileDialogRequest& request) {
    if (request.title == "Select circuit file")
        return chooseCircuitFile();
    m_messages.push_back(request.title);
    say(request.title + ": no file can be chosen in a batch run");
    return std::nullopt;
}

std::optional<std::string> BatchHost::saveFileDialog(const FileDialogRequest& request) {
    m_messages.push_back(request.title);
    say(request.title + ": no file can be chosen in a batch run");
    return std::nullopt;
}

std::optional<std::string> BatchHost::chooseCircuitFile() {
    m_circuitProblem.clear();
    if (!m_calFile.empty()) {
        const std::string why = inputFileProblem(m_calFile);
        if (why.empty())
            return m_calFile;
        m_circuitProblem = "No circuit file: \"" + m_calFile + "\" (given with -cal) " + why + ".";
        say(m_circuitProblem);
        return std::nullopt;
    }
    // The design tools write the .cal beside the .sym under the same base name.
    const std::size_t slash = m_sessionFile.rfind('/');
    const std::size_t dot = m_sessionFile.rfind('.');
    const std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? m_sessionFile.substr(0, dot)
                                 : m_sessionFile;
    for (const char* ext : {".cal", ".CAL"}) {
        if (fileExists(base + ext))
            return base + ext;
    }
    m_circuitProblem = "No circuit file: \"" + base + ".cal\" does not exist; name one with -cal=PATH.";
    say(m_circuitProblem);
    return std::nullopt;
}

void BatchHost::startRunTimer(int periodMs) {
    (void)periodMs;
    m_timerActive = true;
    ++m_timerStarts;
}

void BatchHost::killRunTimer() {
    m_timerActive = false;
}

void BatchHost::quit(int exitCode) {
    m_quitRequested = true;
    m_exitCode = exitCode;
}

std::string BatchHost::localDate() {
    return m_localDate ? m_localDate() : std::string("Thu Jan 01 00:00:00 1970");
}

std::string BatchHost::scratchFolder() {
    if (!m_scratch)
        m_scratch = m_scratchSource ? m_scratchSource() : std::string();
    return *m_scratch;
}

} // namespace cellwatch
