// Arbitrary bytes as the part of a board value after "pci:", and as a configuration header: naming a
// device must never crash, an address always comes back in the kernel's form (which reads back as
// itself), and choosing the board opens nothing.
#include "board/board_selection.h"
#include "board/pci/pci_device.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace cellwatch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);

    if (const auto address = pci::normalisePciAddress(value)) {
        if (pci::normalisePciAddress(*address) != address)
            std::abort();
        if (address->size() < 12 || (*address)[address->size() - 2] != '.')
            std::abort();
    }
    if (const auto folder = pci::deviceFolder(value)) {
        const bool isPath = value.find('/') != std::string_view::npos;
        if (isPath ? *folder != value : !folder->starts_with(pci::kDevicesRoot))
            std::abort();
        if (folder->find('\0') != std::string::npos)
            std::abort();
    }

    const BoardSelection s = selectBoard("pci:" + std::string(value));
    if (s.valid != (s.channel != nullptr) || s.valid != s.error.empty())
        std::abort();

    if (const auto header = pci::decodeHeader(data, size)) {
        if (size < pci::kHeaderBytes || (header->portBase() & 1u) != 0)
            std::abort();
    }
    return 0;
}
