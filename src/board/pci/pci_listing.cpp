#include "board/pci/pci_listing.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cellwatch::pci {

namespace {

std::string join(const std::string& folder, std::string_view file) {
    std::string p = folder;
    if (!p.empty() && p.back() != '/')
        p += '/';
    p += file;
    return p;
}

void checkRegion(const std::string& folder, std::string_view file, std::uint64_t needed, std::string_view what,
                 std::vector<std::string>& problems) {
    const std::string p = join(folder, file);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) {
        problems.push_back(errno == ENOENT ? "no " + std::string(file) : std::string(file) + ": " + std::strerror(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        problems.push_back(std::string(file) + " is not a regular file");
        return;
    }
    if (static_cast<std::uint64_t>(st.st_size) < needed)
        problems.push_back(std::string(file) + " is " + std::to_string(st.st_size) + " bytes, " + std::string(what) +
                           " needs " + std::to_string(needed));
    if (::faccessat(AT_FDCWD, p.c_str(), R_OK | W_OK, AT_EACCESS) != 0)
        problems.push_back("no read/write access to " + std::string(file) + " (see the udev rule)");
}

std::string fourHex(std::uint16_t v) {
    return hex(v, 4).substr(2);
}

} // namespace

DeviceCheck checkDevice(const std::string& folder) {
    DeviceCheck check;
    check.folder = folder;
    const std::size_t slash = folder.find_last_of('/');
    check.address = slash == std::string::npos ? folder : folder.substr(slash + 1);

    const std::string config = join(folder, kConfigFile);
    const int fd = ::open(config.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        check.problems.push_back(errno == ENOENT ? "no config" : "config: " + std::string(std::strerror(errno)));
    } else {
        std::array<std::uint8_t, kHeaderBytes> bytes{};
        struct stat st {};
        ssize_t got = -1;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            got = ::pread(fd, bytes.data(), bytes.size(), 0);
        else
            errno = EINVAL;
        if (got < 0)
            check.problems.push_back("config cannot be read: " + std::string(std::strerror(errno)));
        else if (!(check.header = decodeHeader(bytes.data(), static_cast<std::size_t>(got))))
            check.problems.push_back("config gives " + std::to_string(got) + " bytes of header");
        else if (!check.header->ioSpace())
            check.problems.push_back("the second base address register is not an I/O region");
        ::close(fd);
    }
    checkRegion(folder, kWindowFile, kWindowBytes, "the memory window", check.problems);
    checkRegion(folder, kPortFile, kPortBytes, "the port region", check.problems);
    return check;
}

std::optional<std::vector<DeviceCheck>> checkDevices(std::string_view root, std::string* reason) {
    const std::string rootPath(root);
    DIR* dir = ::opendir(rootPath.c_str());
    if (dir == nullptr) {
        if (reason)
            *reason = systemReason(rootPath, errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    std::vector<DeviceCheck> checks;
    for (const std::string& name : names) {
        const std::string folder = join(rootPath, name);
        struct stat st {};
        // The kernel's entries are links to folders; anything else is not a device.
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        checks.push_back(checkDevice(folder));
    }
    return checks;
}

std::string deviceListText(std::string_view root) {
    std::string text = "PCI devices in ";
    text += root;
    text += ":\n";
    std::string reason;
    const auto checks = checkDevices(root, &reason);
    if (!checks) {
        text += "  none can be listed: " + reason + "\n";
        return text;
    }
    if (checks->empty())
        text += "  none\n";
    for (const DeviceCheck& check : *checks) {
        std::string line = "  pci:" + (root == kDevicesRoot ? check.address : check.folder);
        if (line.size() < 21)
            line.append(21 - line.size(), ' ');
        line += ' ';
        line += check.header ? fourHex(check.header->vendor) + ":" + fourHex(check.header->device) : "????:????";
        if (check.usable()) {
            line += "  usable";
        } else {
            line += "  not usable: ";
            for (std::size_t i = 0; i < check.problems.size(); ++i) {
                if (i > 0)
                    line += "; ";
                line += check.problems[i];
            }
        }
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace cellwatch::pci
