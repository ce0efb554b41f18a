#include "design/device_geometry.h"

#include <gtest/gtest.h>

using namespace cellwatch;

namespace {

// The current member is process-wide; every test leaves mode 1 behind.
class DeviceGeometryTest : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }
};

AddressWord makeWord(std::uint32_t mode, std::uint32_t column, std::uint32_t offset, std::uint32_t row) {
    AddressWord w = 0;
    setModeField(w, mode);
    setColumnField(w, column);
    setOffsetField(w, offset);
    setRowField(w, row);
    return w;
}

} // namespace

TEST_F(DeviceGeometryTest, AddressWordLayoutFollowsTheMember) {
    EXPECT_EQ(deviceMode(), 1);
    EXPECT_EQ(makeWord(0, 5, 3, 9), 0x05C9u);
    selectDevice(3);
    EXPECT_EQ(makeWord(0, 5, 3, 9), 0x0B89u);
    selectDevice(0);
    EXPECT_EQ(makeWord(3, 47, 3, 47), 0xEFEFu);
    selectDevice(2);
    EXPECT_EQ(makeWord(3, 95, 3, 95), 0x3BFDFu);
}

TEST_F(DeviceGeometryTest, FieldsAreCutToTheirWidthAndLeaveOtherBits) {
    AddressWord w = 0;
    setColumnField(w, 70);
    EXPECT_EQ((w >> 8) & 63u, 6u);
    w = 0xFFFFFFFF;
    setRowField(w, 0);
    EXPECT_EQ(w, 0xFFFFFFC0u);
    EXPECT_EQ(rowField(0x1234u), 0x34u);
    selectDevice(3);
    EXPECT_EQ(rowField(0x1234u), 0x34u);
    EXPECT_EQ(rowField(0x12F4u), 0x74u);
    w = 0;
    setOffsetField(w, 7);
    EXPECT_EQ(w, 3u << 7);
}

TEST_F(DeviceGeometryTest, RegistersAndSizesPerMember) {
    const std::uint32_t ctrl[] = {0xC000, 0xC000, 0x30000, 0x30000};
    const int maskBytes[] = {6, 8, 12, 16};
    for (int m = 0; m < 4; ++m) {
        selectDevice(m);
        EXPECT_EQ(controlRegister(), ctrl[m]);
        EXPECT_EQ(mapRegister(), ctrl[m] + 0x10);
        EXPECT_EQ(idArea(), ctrl[m] + 0x30);
        EXPECT_EQ(idLength(), 16);
        EXPECT_EQ(rowMaskBytes(), maskBytes[m]);
        EXPECT_EQ(RowMask::wordCount(), m + 1);
    }
}

TEST_F(DeviceGeometryTest, SelectIgnoresModesOutsideTheFamily) {
    selectDevice(2);
    selectDevice(4);
    selectDevice(-1);
    EXPECT_EQ(deviceMode(), 2);
}

TEST_F(DeviceGeometryTest, RowMaskWordsAreLittleEndianAndBounded) {
    selectDevice(0);
    RowMask mask;
    std::uint32_t v = 1;
    EXPECT_TRUE(mask.getWord(0, v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(mask.setWord(1, 5));
    EXPECT_TRUE(mask.setWord(0, 0x04030201));
    EXPECT_EQ(mask.bytes()[0], 1);
    EXPECT_EQ(mask.bytes()[3], 4);
    mask.makeFull();
    EXPECT_TRUE(mask.clearRow(9));
    EXPECT_EQ(mask.bytes()[1], 0xFD);
    EXPECT_TRUE(mask.clearRow(47));
    EXPECT_FALSE(mask.clearRow(48));
    selectDevice(3);
    EXPECT_TRUE(mask.clearRow(127));
    EXPECT_TRUE(mask.getWord(3, v));
    EXPECT_EQ(v, 0x7FFFFFFFu);
    EXPECT_FALSE(mask.getWord(4, v));
}
