#pragma once
// Whether a file's text is settings in INI form, judged before QSettings may rewrite it: QSettings
// saves a file it could not parse by writing out the little it understood, so a script or a design
// named as the settings file by mistake would be replaced. Standard library only.

#include <string_view>

namespace cellwatch {

// True when every line is blank, a comment (';' or '#'), a section header ("[name]"), a "key=value"
// line, or continues the line before it (which ended with a backslash); and the text holds no NUL
// byte. An empty text is INI.
bool readsAsIniText(std::string_view text);

} // namespace cellwatch
