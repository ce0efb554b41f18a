#include "platform/local_date.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdio>

namespace cellwatch {
namespace {

constexpr const char* kDays[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::string formatDateStamp(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return std::string();
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    // Years past 9999 or before year 1 would break the fixed width that readers count on.
    int year = date.year();
    if (year < 0)
        year = 0;
    if (year > 9999)
        year = 9999;
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", kDays[date.dayOfWeek() - 1],
                  kMonths[date.month() - 1], date.day(), time.hour(), time.minute(), time.second(), year);
    return std::string(text);
}

std::string currentLocalDate() {
    return formatDateStamp(QDateTime::currentDateTime());
}

} // namespace cellwatch
