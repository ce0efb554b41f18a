#include "design/symbol_record.h"

#include "design/device_geometry.h"

#include <charconv>

namespace cellwatch {

namespace {

void appendNumber(std::string& out, std::uint32_t value, int base) {
    char buf[16];
    if (base == 16)
        out += "0x";
    const auto result = std::to_chars(buf, buf + sizeof buf, value, base);
    out.append(buf, result.ptr);
}

} // namespace

char typeLetter(std::uint32_t typeCode) {
    return typeCode < 4 ? "XRBW"[typeCode] : '?';
}

char kindLetter(std::uint32_t kindCode) {
    return kindCode < 3 ? "SCP"[kindCode] : '?';
}

void SymbolRecord::write(std::string& out) const {
    if (isColumnRecord) {
        out += "C ";
        out += name;
        out += ' ';
        appendNumber(out, column, 10);
        // Only the words the current member reads back are meaningful.
        for (int i = 0; i < RowMask::wordCount() && i < 4; ++i) {
            out += ' ';
            appendNumber(out, rowMask[static_cast<std::size_t>(i)], 16);
        }
        out += ' ';
        out += typeLetter(typeCode);
        out += '\n';
        return;
    }
    out += "S ";
    out += name;
    out += ' ';
    appendNumber(out, nameCount, 10);
    for (std::size_t i = 0; i < nameCount && i < names.size(); ++i) {
        out += ' ';
        out += names[i];
    }
    if (extraName.empty()) {
        out += " 0";
    } else {
        out += " 1 ";
        out += extraName;
    }
    out += ' ';
    appendNumber(out, column, 10);
    out += ' ';
    appendNumber(out, row, 10);
    out += ' ';
    out += typeLetter(typeCode);
    out += ' ';
    out += kindLetter(kindCode);
    out += inverted ? '!' : '=';
    out += '\n';
}

} // namespace cellwatch
