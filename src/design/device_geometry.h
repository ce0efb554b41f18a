#pragma once
// The fitted LC3400 member and the layout of its device address words. The current member is
// process-wide: every address word, register address and row-mask size follows it.

#include <array>
#include <cstdint>

namespace cellwatch {

using AddressWord = std::uint32_t;

// The parameters of one member of the LC3400 family.
struct DeviceGeometry {
    int mode;        // 0..3
    int cells;       // cells per row and per column
    int addressBits; // width of an address word
    int rowBits;     // row and column fields are this wide
    int offsetShift; // column-offset field (2 bits)
    int columnShift; // column field
    int modeShift;   // mode field (2 bits)
    std::uint32_t controlRegister;
    std::uint32_t mapRegister;
    int rowMaskBytes;
    std::uint32_t idArea;
    int idLength;
};

// The member for a mode 0..3; other values give mode 1's record.
const DeviceGeometry& geometryOfMode(int mode);
// The current member (mode 1 until selectDevice is called).
const DeviceGeometry& currentDevice();

void selectDevice(int mode);
namespace detail {
extern int g_deviceMode; // selectDevice's; read through deviceMode()
} // namespace detail
// Inline: every column access of a run checks it.
inline int deviceMode() {
    return detail::g_deviceMode;
}

void setRowField(AddressWord& word, std::uint32_t value);
void setOffsetField(AddressWord& word, std::uint32_t value);
void setColumnField(AddressWord& word, std::uint32_t value);
void setModeField(AddressWord& word, std::uint32_t value);
std::uint32_t rowField(AddressWord word);

std::uint32_t controlRegister();
std::uint32_t mapRegister();
int rowMaskBytes();
std::uint32_t idArea();
int idLength();

// The address word of a cell's state (mode field 0, column-offset 3) in the current member.
AddressWord cellStateAddress(int row, int column);

// One bit per device row, row r being bit r mod 8 of byte r div 8; only the current member's
// rowMaskBytes() bytes are meaningful.
class RowMask {
public:
    RowMask() { makeEmpty(); }

    void makeEmpty() { m_bytes.fill(0); }
    void makeFull() { m_bytes.fill(0xFF); }

    // rowMaskBytes() / 4, rounded down: 1, 2, 3, 4 for modes 0..3.
    static int wordCount();
    bool getWord(int i, std::uint32_t& value) const;
    bool setWord(int i, std::uint32_t value);
    bool clearRow(int row);
    bool setRow(int row);
    bool hasRow(int row) const;

    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, 16> m_bytes{};
};

} // namespace cellwatch
