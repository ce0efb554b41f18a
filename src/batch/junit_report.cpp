// JUnit XML: the document and the escaping that keeps it well-formed whatever the names hold.

#include "batch/junit_report.h"

#include "common/atomic_file.h"

#include <cstdint>
#include <cstdio>

namespace cellwatch {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Length of the well-formed UTF-8 sequence at text[i], or 0 when it is not one.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t length = 0;
    std::uint32_t min = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, surrogates, values past U+10FFFF and the two non-characters XML forbids.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
        code == 0xFFFF)
        return 0;
    return length;
}

void appendCase(std::string& out, const JUnitSuite& suite, const JUnitCase& c) {
    out += "    <testcase name=\"";
    appendXmlEscaped(out, c.name);
    out += "\" classname=\"";
    appendXmlEscaped(out, suite.className);
    out += '"';
    if (c.outcome == JUnitCase::Outcome::Passed) {
        out += "/>\n";
        return;
    }
    const char* tag = c.outcome == JUnitCase::Outcome::Failed ? "failure" : "error";
    out += ">\n      <";
    out += tag;
    out += " message=\"";
    appendXmlEscaped(out, c.message);
    out += "\" type=\"";
    out += c.outcome == JUnitCase::Outcome::Failed ? "check" : "run";
    out += "\">";
    appendXmlEscaped(out, c.detail.empty() ? c.message : c.detail);
    out += "</";
    out += tag;
    out += ">\n    </testcase>\n";
}

} // namespace

int JUnitSuite::failures() const {
    int n = 0;
    for (const JUnitCase& c : cases)
        n += c.outcome == JUnitCase::Outcome::Failed ? 1 : 0;
    return n;
}

int JUnitSuite::errors() const {
    int n = 0;
    for (const JUnitCase& c : cases)
        n += c.outcome == JUnitCase::Outcome::Error ? 1 : 0;
    return n;
}

void appendXmlEscaped(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto u = static_cast<std::uint8_t>(c);
        if (u >= 0x80) {
            const std::size_t length = utf8Length(text, i);
            if (length == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        // As references, so that attribute values keep them instead of normalising them to blanks.
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (u < 0x20)
                out += kReplacement;
            else
                out += c;
        }
        ++i;
    }
}

std::string formatJUnit(const JUnitSuite& suite) {
    char counts[96];
    std::snprintf(counts, sizeof counts, "tests=\"%zu\" failures=\"%d\" errors=\"%d\"", suite.cases.size(),
                  suite.failures(), suite.errors());
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuites ";
    out += counts;
    out += ">\n  <testsuite name=\"";
    appendXmlEscaped(out, suite.name);
    out += "\" ";
    out += counts;
    out += " skipped=\"0\">\n";
    for (const JUnitCase& c : suite.cases)
        appendCase(out, suite, c);
    out += "  </testsuite>\n</testsuites>\n";
    return out;
}

bool writeJUnit(const std::string& path, const JUnitSuite& suite) {
    return saveFileAtomically(path, formatJUnit(suite)) == SaveResult::Ok;
}

} // namespace cellwatch
