#include "board/pci/pci_device.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace cellwatch::pci {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The whole of text as a hexadecimal number of 1 to maxDigits digits.
std::optional<std::uint32_t> hexField(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    for (const char c : text) {
        if (!isHexDigit(c))
            return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::uint32_t little32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

std::string hex(std::uint64_t value, int digits) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    (void)ec;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    std::string out = "0x";
    for (int i = static_cast<int>(text.size()); i < digits; ++i)
        out += '0';
    out += text;
    return out;
}

std::optional<std::string> normalisePciAddress(std::string_view address) {
    // BUS:DEVICE.FUNCTION after an optional DOMAIN: (domains past 0xffff exist on some servers).
    const std::size_t dot = address.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view head = address.substr(0, dot);
    const std::size_t lastColon = head.rfind(':');
    if (lastColon == std::string_view::npos)
        return std::nullopt;
    const std::string_view busAndDomain = head.substr(0, lastColon);
    const std::size_t firstColon = busAndDomain.rfind(':');
    const std::string_view domainText =
        firstColon == std::string_view::npos ? std::string_view("0") : busAndDomain.substr(0, firstColon);
    const std::string_view busText =
        firstColon == std::string_view::npos ? busAndDomain : busAndDomain.substr(firstColon + 1);

    const auto domain = hexField(domainText, 8);
    const auto bus = hexField(busText, 2);
    const auto device = hexField(head.substr(lastColon + 1), 2);
    const auto function = hexField(address.substr(dot + 1), 1);
    if (!domain || !bus || !device || !function || *device > 0x1F || *function > 7)
        return std::nullopt;

    std::string out = hex(*domain, 4).substr(2);
    out += ':';
    out += hex(*bus, 2).substr(2);
    out += ':';
    out += hex(*device, 2).substr(2);
    out += '.';
    out += static_cast<char>('0' + *function);
    return out;
}

std::optional<std::string> deviceFolder(std::string_view value) {
    if (value.find('/') != std::string_view::npos) {
        // A NUL would cut the path short when it reaches the system.
        if (value.find('\0') != std::string_view::npos)
            return std::nullopt;
        return std::string(value);
    }
    const auto address = normalisePciAddress(value);
    if (!address)
        return std::nullopt;
    std::string folder(kDevicesRoot);
    folder += '/';
    folder += *address;
    return folder;
}

std::optional<PciHeader> decodeHeader(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kHeaderBytes)
        return std::nullopt;
    PciHeader h;
    h.vendor = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    h.device = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
    h.memoryBar = little32(bytes + 16);
    h.ioBar = little32(bytes + 20);
    return h;
}

std::string systemReason(const std::string& path, int error) {
    std::string text = path;
    text += ": ";
    text += std::strerror(error);
    if (error == EACCES || error == EPERM)
        text += " (the board's files need the udev rule described in docs/board.md)";
    return text;
}

} // namespace cellwatch::pci
