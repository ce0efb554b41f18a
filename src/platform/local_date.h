#pragma once
// The date stamp written into script headers and VCD files: 24 characters, "Www Mmm dd hh:mm:ss yyyy",
// English names whatever the user's language, the day with a leading zero.

#include <string>

class QDateTime;

namespace cellwatch {

// That form of dateTime as it stands (no time-zone conversion); empty for an invalid date-time.
std::string formatDateStamp(const QDateTime& dateTime);

// The current local date and time in that form.
std::string currentLocalDate();

} // namespace cellwatch
