#include "script/script_file.h"

#include "common/file_text.h"
#include "script/scanning.h"

#include <cstdint>
#include <cstdio>

namespace cellwatch {

bool readDesignReferenceText(std::string_view text, std::string& symbolPath) {
    std::size_t cursor = 0;
    std::string line;
    std::string token;
    std::string path;
    // Whole lines are looked at, so that long paths are never cut short.
    while (ReadTextLine(text, cursor, line, SIZE_MAX)) {
        if (line.empty() || line[0] != '|')
            continue;
        NextToken(line, token);
        if (token != kSymbolTableMarker)
            continue;
        DropToken(line);
        if (!TakeQuoted(line, path))
            NextToken(line, path);
        if (path.empty())
            return false;
        symbolPath = path;
        return true;
    }
    return false;
}

bool readDesignReference(const std::string& path, std::string& symbolPath) {
    std::string text;
    if (!readFileText(path, text) || text.empty())
        return false;
    return readDesignReferenceText(text, symbolPath);
}

bool loadScriptFile(const std::string& path, TextBuffer& buffer) {
    std::string text;
    if (!readFileText(path, text))
        return false;
    buffer.insertAt(0, text);
    buffer.setSelection({});
    buffer.setModified(false);
    return true;
}

std::string scriptTitle(std::string_view scriptPath, bool modified) {
    std::string title = scriptPath.empty() ? std::string("untitled")
                                           : std::string(scriptPath.substr(scriptPath.rfind('/') + 1));
    if (modified)
        title += " *";
    return title;
}

std::string formatScriptDate(const std::tm& time) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = (time.tm_wday >= 0 && time.tm_wday < 7) ? kDays[time.tm_wday] : "???";
    const char* month = (time.tm_mon >= 0 && time.tm_mon < 12) ? kMonths[time.tm_mon] : "???";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", day, month, time.tm_mday % 100,
                  time.tm_hour % 100, time.tm_min % 100, time.tm_sec % 100, (time.tm_year + 1900) % 10000);
    return buf;
}

std::vector<std::string> initialScriptLines(std::string_view symbolPath, std::string_view calPath,
                                            std::string_view date) {
    auto join = [](std::initializer_list<std::string_view> parts) {
        std::string s;
        for (std::string_view p : parts)
            s += p;
        return s;
    };
    return {
        std::string(kIdentificationLine),
        join({kGeneratedOnPrefix, date}),
        std::string(kDoNotEditLine),
        "",
        join({kSymbolTableMarker, " \"", symbolPath, "\""}),
        "",
        std::string(kVectorBeginMarker),
        std::string(kVectorEndMarker),
        "",
        std::string(kTraceBeginMarker),
        std::string(kTraceEndMarker),
        "",
        std::string(kInitialCalLine),
        join({"loadcal \"", calPath, "\""}),
        "",
        std::string(kTodoLine),
        "",
    };
}

int findMarkerLine(const TextBuffer& buffer, std::string_view marker, int from) {
    const int count = buffer.lineCount();
    for (int n = from < 0 ? 0 : from; n < count; ++n)
        if (buffer.line(n) == marker)
            return n;
    return -1;
}

SectionRange findSection(const TextBuffer& buffer, std::string_view beginMarker, std::string_view endMarker) {
    SectionRange range;
    range.beginLine = findMarkerLine(buffer, beginMarker);
    if (range.beginLine < 0)
        return range;
    range.first = range.beginLine + 1;
    range.endLine = findMarkerLine(buffer, endMarker, range.first);
    range.last = range.endLine >= 0 ? range.endLine : buffer.lineCount();
    return range;
}

int findCommandLine(const TextBuffer& buffer, std::string_view word) {
    const int count = buffer.lineCount();
    std::string token;
    for (int n = 0; n < count; ++n) {
        NextToken(buffer.line(n), token);
        if (toLowerAscii(token) == word)
            return n;
    }
    return -1;
}

} // namespace cellwatch
