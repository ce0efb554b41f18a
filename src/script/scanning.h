#pragma once
// The small text routines every script line is taken apart with: separators, tokens, quoted
// strings, values in the four radices, bus ranges and number formatting. Free functions on
// byte strings; none of them reports anything, each returns false and lets its caller speak.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cellwatch {

// Blank, tab, CR and LF: the only characters that separate tokens.
constexpr bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Removes the leading separators of the text.
void SkipBlanks(std::string& text);

// The first token of the text (after leading separators); the text is not changed. False, with
// an empty token, when the text is empty or only separators.
bool NextToken(std::string_view text, std::string& token);

// Removes the leading separators and the first token; what remains starts with the separator
// that ended the token.
void DropToken(std::string& text);

// Removes leading separators from the text, then takes the characters between a leading double
// quote and the next one. False (result empty) when there is no opening or no closing quote.
bool TakeQuoted(std::string& text, std::string& result);

// A value: binary digits, or digits followed by a backslash and one radix letter (b, o, d, h;
// either case). Too large a number gives 0xFFFFFFFF. On failure the value is left untouched.
bool ParseValue(std::string_view text, std::uint32_t& value);

// Replaces a token holding bus ranges such as data[3:0] by the blank-separated names it stands
// for, each followed by one blank. A token without '[' is left as it is and the result is true.
// A malformed range, an index above 2147483647 or more than kMaxBusNames names fail.
constexpr std::size_t kMaxBusNames = 65536;
bool ExpandBus(std::string& text);

// The value in base 2, 8, 10 or 16 (lower-case digits; base 10 reads the value as signed 32-bit,
// any other base is taken as 10), filled on the left with the fill character to at least width
// characters; for a negative number the fill goes after the '-'.
void FormatNumber(std::uint32_t value, std::string& out, int width, int base, char fill);
// The same text into a caller's buffer, cut to capacity - 1 characters and NUL-terminated (nothing
// is written when capacity is 0). Returns the number of characters written before the NUL.
std::size_t FormatNumber(std::uint32_t value, char* buffer, std::size_t capacity, int width, int base,
                         char fill);

// True when the text is not empty and every character is a decimal digit.
bool IsDecimalNumber(std::string_view text);

// Copies the line at the cursor (up to the next LF, without its LF and a CR before it, at most
// capacity - 1 characters) into line and moves the cursor past the LF. False when the text at the
// cursor is empty or holds no further LF; text after the last LF is therefore never a line.
bool ReadTextLine(std::string_view text, std::size_t& cursor, std::string& line, std::size_t capacity);

// A count as the cycle and stepsize commands read it: optional leading white space and sign, then
// the digits up to the first non-digit; 0 when there are none. Clamped to the int range.
int readPlainDecimal(std::string_view text);

// A frequency as the pclk command reads it: optional leading white space, optional sign, decimal
// digits with optional fraction and exponent; the rest of the text is ignored. 0 when the text
// does not start with such a number (hexadecimal, inf and nan forms are not numbers here).
float readDecimalFloat(std::string_view text);

// ASCII lower-casing of a copy; the script is single-byte text and the locale plays no part.
std::string toLowerAscii(std::string_view text);
constexpr char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace cellwatch
