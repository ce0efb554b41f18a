// The progress line: silent for a second and off a terminal, then rewritten in place.

#include "batch/progress_line.h"

#include <gtest/gtest.h>

#include <string>

namespace cellwatch {
namespace {

struct Clocked {
    std::int64_t ms = 0;
    std::string out;
    ProgressLine make(bool enabled) {
        return ProgressLine([this](std::string_view t) { out += t; }, enabled, [this] { return ms; });
    }
};

TEST(ProgressLine, SilentDuringTheFirstSecond) {
    Clocked c;
    ProgressLine line = c.make(true);
    line.start();
    c.ms = 1000;
    line.update(10, 100);
    EXPECT_EQ(c.out, "");
    line.finish();
    EXPECT_EQ(c.out, "");
}

TEST(ProgressLine, SilentWhenNotATerminal) {
    Clocked c;
    ProgressLine line = c.make(false);
    line.start();
    c.ms = 5000;
    line.update(10, 100);
    line.finish();
    EXPECT_EQ(c.out, "");
}

TEST(ProgressLine, RewritesInPlaceAndBlanksAtTheEnd) {
    Clocked c;
    ProgressLine line = c.make(true);
    line.start();
    c.ms = 1500;
    line.update(12000, 50000);
    EXPECT_EQ(c.out, "\rcycle 12000/50000");
    c.ms = 1550; // too soon for another rewrite
    line.update(13000, 50000);
    EXPECT_EQ(c.out, "\rcycle 12000/50000");
    c.ms = 1700;
    line.update(9, 10); // a later, shorter text hides the longer one
    EXPECT_EQ(c.out, "\rcycle 12000/50000\rcycle 9/10       ");
    c.out.clear();
    line.finish();
    EXPECT_EQ(c.out, "\r" + std::string(17, ' ') + "\r");
    EXPECT_FALSE(line.shown());
}

TEST(ProgressLine, TheLastCycleIsAlwaysShown) {
    Clocked c;
    ProgressLine line = c.make(true);
    line.start();
    c.ms = 2000;
    line.update(1, 2);
    line.update(2, 2);
    EXPECT_EQ(c.out, "\rcycle 1/2\rcycle 2/2");
}

} // namespace
} // namespace cellwatch
