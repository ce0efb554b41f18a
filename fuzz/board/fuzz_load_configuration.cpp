// Arbitrary bytes as a CAL file: loading must never crash, every write must land inside the device's
// address range, and the result must not depend on how the bytes are split into reads.
#include "board/board_driver.h"
#include "board/cal_loader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

using namespace cellwatch;

namespace {

// A board that only remembers the device words stored into it.
class WriteLogChannel final : public DriverChannel {
public:
    explicit WriteLogChannel(std::vector<std::uint64_t>& log) : m_log(log) {}
    bool available() const override { return true; }
    bool open() override { return true; }
    bool control(std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t& n) override {
        n = 0;
        if (code == 5 && out && outSize >= 22) {
            std::memset(out, 0, outSize);
            static_cast<std::uint8_t*>(out)[20] = 0x01;
            static_cast<std::uint8_t*>(out)[21] = 0xE0;
            n = outSize;
        }
        return code != 0;
    }
    void close() override {}
    std::uint32_t load(std::uint32_t) override { return 0; }
    void store(std::uint32_t offset, std::uint32_t value) override {
        m_log.push_back(static_cast<std::uint64_t>(offset) << 32 | value);
    }
    void portOut(std::uint16_t, std::uint32_t) override {}

private:
    std::vector<std::uint64_t>& m_log;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte picks the member and the piece size of the split read; the whole input is the file.
    const int mode = size > 0 ? (data[0] & 1 ? 3 : 1) : 1;
    const std::size_t piece = size > 0 ? 1 + data[0] % 97 : 1;

    std::vector<std::uint64_t> whole;
    std::vector<std::uint64_t> split;
    int wholeCode = 0;
    int splitCode = 0;
    {
        BoardDriver board(std::make_unique<WriteLogChannel>(whole));
        selectDevice(mode);
        wholeCode = board.loadConfigurationText(text);
    }
    {
        BoardDriver board(std::make_unique<WriteLogChannel>(split));
        selectDevice(mode);
        CalLoader loader(board);
        for (std::size_t i = 0; i < size; i += piece)
            loader.feed(text.substr(i, piece));
        splitCode = loader.finish();
    }
    if (wholeCode != 0 && wholeCode != 5)
        std::abort();
    if (wholeCode != splitCode || whole != split)
        std::abort();
    const std::uint32_t highest = mode == 3 ? 0x3003F : 0xC03F;
    for (const std::uint64_t w : whole) {
        const std::uint32_t offset = static_cast<std::uint32_t>(w >> 32);
        if (offset < 0x800000u || (offset - 0x800000u) / 4u > highest)
            std::abort();
    }
    selectDevice(1);
    return 0;
}
