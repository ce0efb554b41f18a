#pragma once
// What `cellwatch --list-boards` tells about the PCI devices: for every device folder, whether it
// could be the board, and what is missing when not. Looks only: nothing is mapped or written.

#include "board/pci/pci_device.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch::pci {

struct DeviceCheck {
    std::string folder;
    std::string address; // the folder's name, which `pci:` takes for folders under kDevicesRoot
    std::optional<PciHeader> header;
    std::vector<std::string> problems; // empty when the board channel could use the device
    bool usable() const { return problems.empty(); }
};

// Every folder under root, sorted by name. Nullopt, with the system's reason, when root cannot be read.
std::optional<std::vector<DeviceCheck>> checkDevices(std::string_view root, std::string* reason);

// The problems that would keep the channel from using the device folder at folder.
DeviceCheck checkDevice(const std::string& folder);

// One block of text: a heading naming root, then a line per device ("pci:ADDRESS  vvvv:dddd  usable"
// or "... not usable: ..."), or a line saying why there is none.
std::string deviceListText(std::string_view root);

} // namespace cellwatch::pci
