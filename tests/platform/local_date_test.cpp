#include "platform/local_date.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <gtest/gtest.h>

namespace cellwatch {
namespace {

std::string stamp(int y, int mo, int d, int h, int mi, int s) {
    return formatDateStamp(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

TEST(LocalDateTest, FixedWidthEnglishForm) {
    EXPECT_EQ(stamp(2026, 12, 7, 23, 20, 0), "Mon Dec 07 23:20:00 2026");
    EXPECT_EQ(stamp(2000, 1, 1, 0, 0, 0), "Sat Jan 01 00:00:00 2000");
    EXPECT_EQ(stamp(2024, 2, 29, 9, 5, 7), "Thu Feb 29 09:05:07 2024");
    EXPECT_EQ(stamp(1999, 10, 31, 12, 59, 59), "Sun Oct 31 12:59:59 1999");
}

TEST(LocalDateTest, UserLanguageDoesNotChangeTheNames) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string text = stamp(2025, 3, 4, 5, 6, 7);
    QLocale::setDefault(saved);
    EXPECT_EQ(text, "Tue Mar 04 05:06:07 2025");
}

TEST(LocalDateTest, EveryStampIsTwentyFourCharacters) {
    EXPECT_EQ(stamp(5, 6, 7, 8, 9, 10).size(), 24u);
    EXPECT_EQ(stamp(12000, 1, 1, 0, 0, 0).size(), 24u);
    EXPECT_EQ(currentLocalDate().size(), 24u);
    EXPECT_EQ(formatDateStamp(QDateTime()), "");
}

} // namespace
} // namespace cellwatch
