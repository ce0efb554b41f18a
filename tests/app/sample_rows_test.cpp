// The kept-formatted sample rows against the plain formatting they replace: every radix, width and
// value kind, fields that change length, and time stamps that count up, jump and grow a digit.

#include "app/log_format.h"
#include "app/sample_rows.h"
#include "design/design_element.h"
#include "script/scanning.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <list>
#include <random>
#include <string>
#include <vector>

namespace cellwatch {
namespace {

TEST(SampleRows, FieldTextMatchesFormatNumberForEveryRadixWidthAndValue) {
    const std::vector<std::uint32_t> values = {0,          1,          2,          7,          0xFF,
                                               0x100,      0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 12345678,
                                               0xFFFFFFFE, 0x80000001};
    for (int radix : {2, 8, 10, 16}) {
        for (int digits : {0, 1, 2, 3, 8, 11, 31, 32, 33, 40, 63, 64, 70, 342}) {
            for (std::uint32_t value : values) {
                std::string expected;
                FormatNumber(value, expected, digits, radix, '0');
                std::string text(static_cast<std::size_t>(digits) + 40, '?');
                text.resize(formatLogValue(text.data(), value, digits, radix));
                EXPECT_EQ(text, expected) << "radix " << radix << ", " << digits << " digits, value " << value;
            }
        }
    }
}

class SampleRowsWalk : public ::testing::Test {
protected:
    // Components of several widths and radixes, one without an element, one of 1100 bits.
    SampleRowsWalk() {
        const std::array<std::pair<std::uint32_t, std::int32_t>, 8> shapes = {
            {{1, -1}, {8, 16}, {32, 10}, {4, 8}, {1, 10}, {17, 2}, {1100, -1}, {0, -1}}};
        for (const auto& [size, radix] : shapes) {
            DesignElement& e = elements.emplace_back();
            e.size = size;
            e.radix = radix;
            TracedComponent& c = components.emplace_back();
            c.element = size == 0 ? nullptr : &e;
            c.lastValue = static_cast<std::int32_t>(size * 3);
        }
    }
    std::string expectedRow(std::uint32_t time, std::uint32_t divisor) {
        std::string row;
        appendSampleRow(row, time, divisor, components, 2);
        return row;
    }

    std::list<DesignElement> elements;
    std::list<TracedComponent> components;
};

TEST_F(SampleRowsWalk, RowsMatchAppendSampleRowThroughChangesAndStamps) {
    SampleRows rows(components, 2, 5);
    std::mt19937 random(20240601);
    std::uint32_t time = 0;
    const std::uint32_t jumps[] = {499999990, 499999995, 500000000, 500000005, 4294967290u};
    std::size_t nextJump = 0;
    for (int step = 0; step < 4000; ++step) {
        const std::uint32_t roll = random() % 100;
        if (roll < 70)
            time += 5; // the next half cycle
        else if (roll < 90)
            time += 5 * (1 + random() % 300);
        else if (nextJump < std::size(jumps) && step > 1000 * static_cast<int>(nextJump))
            time = jumps[nextJump++]; // up to and past 99999999, and the largest stamp there is
        const int changes = static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k) {
            const std::size_t field = random() % components.size();
            TracedComponent& c = *std::next(components.begin(), static_cast<std::ptrdiff_t>(field));
            // Mostly 0 and 1, sometimes values wider than the field and negative decimals.
            const std::uint32_t pick = random() % 10;
            c.lastValue = static_cast<std::int32_t>(pick < 6 ? random() % 2 : pick < 9 ? random() : 0x80000000u);
            rows.setValue(field, c.lastValue);
        }
        ASSERT_EQ(std::string(rows.row(time)), expectedRow(time, 5)) << "step " << step;
    }
}

TEST_F(SampleRowsWalk, StartsFromTheValuesTheComponentsHoldAndDividesByTen) {
    SampleRows rows(components, 16, 10);
    std::string expected;
    appendSampleRow(expected, 1230, 10, components, 16);
    EXPECT_EQ(rows.row(1230), expected);
    EXPECT_EQ(rows.fieldCount(), components.size());
}

} // namespace
} // namespace cellwatch
