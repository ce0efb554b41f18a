#include "board/board_selection.h"

#ifdef CELLWATCH_HAVE_EMULATOR
#include "board/emulator/emulated_channel.h"
#endif

#include <cctype>

namespace cellwatch {

namespace {

// Stands in for a driver this build cannot reach: BoardDriver then reports "Device Driver not found".
class UnavailableChannel final : public DriverChannel {
public:
    bool available() const override { return false; }
    bool open() override { return false; }
    bool control(std::uint32_t, void*, std::uint32_t, std::uint32_t& bytesReturned) override {
        bytesReturned = 0;
        return false;
    }
    void close() override {}
    std::uint32_t load(std::uint32_t) override { return 0xFFFFFFFFu; }
    void store(std::uint32_t, std::uint32_t) override {}
    void portOut(std::uint16_t, std::uint32_t) override {}
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

BoardSelection refuse(std::string text) {
    BoardSelection s;
    s.error = std::move(text);
    return s;
}

BoardSelection emulated(int cells) {
#ifdef CELLWATCH_HAVE_EMULATOR
    BoardSelection s;
    s.channel = makeEmulatedChannel(cells);
    if (!s.channel)
        return refuse("The emulated board could not be made.");
    s.valid = true;
    return s;
#else
    (void)cells;
    return refuse("This build has no emulated board.");
#endif
}

} // namespace

std::string chooseBoardValue(std::string_view batchSwitch, std::string_view environment,
                             std::string_view setting) {
    for (const std::string_view v : {batchSwitch, environment, setting}) {
        if (!v.empty())
            return std::string(v);
    }
    return kDefaultBoardValue;
}

BoardSelection selectBoard(std::string_view value) {
    constexpr std::string_view kEmulator = "emulator";
    constexpr std::string_view kPci = "pci:";
    if (equalsNoCase(value, "none")) {
        BoardSelection s;
        s.valid = true;
        return s;
    }
    if (equalsNoCase(value, kEmulator))
        return emulated(64);
    if (value.size() > kEmulator.size() && equalsNoCase(value.substr(0, kEmulator.size()), kEmulator) &&
        value[kEmulator.size()] == ':') {
        const std::string_view cells = value.substr(kEmulator.size() + 1);
        for (const int n : {48, 64, 96, 128}) {
            if (cells == std::to_string(n))
                return emulated(n);
        }
    } else if (value.size() > kPci.size() && equalsNoCase(value.substr(0, kPci.size()), kPci)) {
        BoardSelection s;
        s.valid = true;
        s.channel = std::make_unique<UnavailableChannel>();
        return s;
    }
    return refuse("Unknown board \"" + std::string(value) +
                  "\": use emulator, emulator:48, emulator:64, emulator:96, emulator:128, none or pci:PATH.");
}

} // namespace cellwatch
