#pragma once
// The command script's text as the script side edits it: numbered lines, insertion, deletion, the
// modified flag and the user's selection. The editor view implements it over its document; batch
// sessions and tests use LineBuffer.

#include <string>
#include <string_view>

namespace cellwatch {

// A place in the text: a line number and a byte column within that line, both from 0.
struct TextPosition {
    int line = 0;
    int column = 0;
    friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// The user's selection; anchor == caret when nothing is selected.
struct TextSelection {
    TextPosition anchor;
    TextPosition caret;
    friend bool operator==(const TextSelection&, const TextSelection&) = default;
};

// The contract every implementation keeps (the conformance suite in tests/script checks it):
// - The text is a list of lines without their line breaks. A line break is CR LF, a bare LF or a
//   bare CR. A final line break does not start a further line: "a\r\nb\r\n" and "a\r\nb" both hold
//   the two lines "a" and "b", and an empty text holds no lines.
// - Every edit sets the modified flag. Edits keep the current and the saved selection on the text
//   they covered: positions at or after an insertion point move with the text after it; positions
//   inside deleted lines move to the start of the first line after the deletion.
class TextBuffer {
public:
    virtual ~TextBuffer() = default;

    virtual int lineCount() const = 0;
    // Line n without its line break; empty when n is out of range.
    virtual std::string line(int n) const = 0;

    // Inserts text at the start of line n (0 <= n <= lineCount(); n == lineCount() appends after
    // the last line). Each line break in the text ends a line; text after the last break is put in
    // front of line n, or becomes a line of its own when appending. False, changing nothing, when n
    // is out of range.
    virtual bool insertAt(int n, std::string_view text) = 0;
    // Deletes lines first .. first + count - 1 with their line breaks; a count reaching past the
    // end stops at the last line. False, changing nothing, when first is out of range or count < 1.
    virtual bool deleteLines(int first, int count) = 0;

    virtual bool isModified() const = 0;
    virtual void setModified(bool modified) = 0;

    virtual TextSelection selection() const = 0;
    // Positions beyond the text are clamped to it.
    virtual void setSelection(const TextSelection& selection) = 0;
    // Remember the user's selection before an operation that moves the caret, and put it back
    // afterwards, on the same text if edits moved it.
    virtual void saveSelection() = 0;
    virtual void restoreSelection() = 0;
};

// The text as it is saved: every line followed by CR LF (nothing for an empty text).
std::string bufferText(const TextBuffer& buffer);

} // namespace cellwatch
