#pragma once
// TextBuffer over a plain list of lines: the script of a session without an editor (batch runs)
// and the reference implementation the editor adapter is tested against.

#include "script/text_buffer.h"

#include <vector>

namespace cellwatch {

class LineBuffer final : public TextBuffer {
public:
    LineBuffer() = default;
    // The text split at its line breaks; the result is not marked modified.
    explicit LineBuffer(std::string_view text);

    int lineCount() const override { return static_cast<int>(m_lines.size()); }
    std::string line(int n) const override;
    bool insertAt(int n, std::string_view text) override;
    bool deleteLines(int first, int count) override;
    bool isModified() const override { return m_modified; }
    void setModified(bool modified) override { m_modified = modified; }
    TextSelection selection() const override { return m_selection; }
    void setSelection(const TextSelection& selection) override;
    void saveSelection() override { m_saved = m_selection; }
    void restoreSelection() override { m_selection = m_saved; }

    const std::vector<std::string>& lines() const { return m_lines; }

private:
    TextPosition clamp(TextPosition p) const;
    void followInsert(int n, int newLines, int prefixLength);
    void followDelete(int first, int count);

    std::vector<std::string> m_lines;
    bool m_modified = false;
    TextSelection m_selection;
    TextSelection m_saved;
};

// Splits text at CR LF, LF and CR; a final line break does not start a further line.
std::vector<std::string> splitLines(std::string_view text);

} // namespace cellwatch
