#include "board/board_selection.h"

#include "board/pci/pci_channel.h"
#include "board/pci/pci_device.h"
#include "board/pci/pci_listing.h"

#include "board/emulator/emulated_channel.h"

#include <cctype>

namespace cellwatch {

namespace {

std::string& failureRecord() {
    static std::string record;
    return record;
}

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
    BoardSelection s;
    s.channel = makeEmulatedChannel(cells);
    if (!s.channel)
        return refuse("The emulated board could not be made.");
    s.valid = true;
    return s;
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
    failureRecord().clear();
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
        const auto folder = pci::deviceFolder(value.substr(kPci.size()));
        if (!folder)
            return refuse("Unknown board \"" + std::string(value) +
                          "\": after pci: give a PCI address such as 0000:03:00.0, or the path of the "
                          "device's folder.");
        BoardSelection s;
        s.valid = true;
        s.channel = std::make_unique<PciChannel>(
            *folder, [](const std::string& reason) { failureRecord() = reason; });
        return s;
    }
    return refuse("Unknown board \"" + std::string(value) +
                  "\": use emulator, emulator:48, emulator:64, emulator:96, emulator:128, none, pci:ADDRESS "
                  "or pci:PATH.");
}

const std::string& lastBoardFailure() {
    return failureRecord();
}

std::string boardListText(std::string_view pciRoot) {
    std::string text = "Boards (-board=VALUE, CELLWATCH_BOARD or the \"Board\" setting):\n";
    text += "  emulator            the emulated LC3400DS, 64 cells (the default)\n";
    for (const char* cells : {"48", "64", "96", "128"}) {
        std::string line = std::string("  emulator:") + cells;
        line.append(22 - line.size(), ' ');
        text += line + "the emulated LC3400DS, " + cells + " cells\n";
    }
    text += "  none                no board\n";
    text += '\n';
    text += pci::deviceListText(pciRoot);
    return text;
}

} // namespace cellwatch
