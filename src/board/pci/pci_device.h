#pragma once
// What the program knows about an LC3400DS in a Linux PCI sysfs folder: how a `pci:` value names the
// folder, the sizes its two regions must have, and the fields of the configuration header it reads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cellwatch::pci {

// Where the kernel lists the PCI devices, one folder per address.
inline constexpr std::string_view kDevicesRoot = "/sys/bus/pci/devices";

// The file names inside a device folder: the configuration space, the memory window (first base
// address register) and the I/O ports (second base address register).
inline constexpr std::string_view kConfigFile = "config";
inline constexpr std::string_view kWindowFile = "resource0";
inline constexpr std::string_view kPortFile = "resource1";

// Word index (a OR 0x200000) for every 21-bit device address a: 16 MiB of window.
inline constexpr std::uint64_t kWindowBytes = 0x1000000;
// The highest port offset is the bank control's 0x2c, a 32-bit write.
inline constexpr std::uint64_t kPortBytes = 0x30;
// The standard header; a config file that gives less cannot describe the board.
inline constexpr std::size_t kHeaderBytes = 64;

// The device folder a `pci:` value stands for (the part after "pci:"): a value holding a '/' is a
// path, kept as written; otherwise it must be a PCI address, [DOMAIN:]BUS:DEVICE.FUNCTION in
// hexadecimal ("0000:03:00.0", "03:00.0"), which names the folder under kDevicesRoot. Nullopt for
// anything else. Accepts arbitrary bytes.
std::optional<std::string> deviceFolder(std::string_view value);

// The address in the form the kernel names its folders ("0000:03:00.0"), or nullopt.
std::optional<std::string> normalisePciAddress(std::string_view address);

// The fields of the standard header that tell whether a device can be the board.
struct PciHeader {
    std::uint16_t vendor = 0;
    std::uint16_t device = 0;
    std::uint32_t memoryBar = 0; // byte 16: the memory window's physical base
    std::uint32_t ioBar = 0;     // byte 20: the I/O base, bit 0 set for I/O space
    bool ioSpace() const { return (ioBar & 1u) != 0; }
    std::uint16_t portBase() const { return static_cast<std::uint16_t>(ioBar & 0xFFFEu); }
};

// Nullopt when fewer than kHeaderBytes bytes are given.
std::optional<PciHeader> decodeHeader(const std::uint8_t* bytes, std::size_t size);

// "PATH: the system's text for errno", the form every failure of this channel is told in. Permission
// problems also point at the udev rule, since that is what a user lacks on a fresh machine.
std::string systemReason(const std::string& path, int error);

// "VALUE" in hexadecimal with a 0x prefix and at least digits digits.
std::string hex(std::uint64_t value, int digits = 1);

} // namespace cellwatch::pci
