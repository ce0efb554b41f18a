#pragma once
// A folder laid out like a PCI device's sysfs folder, made in a fresh temporary directory and removed
// with the object: a crafted `config`, a sparse `resource0` as big as the window needs and a small
// `resource1`. Tests reshape it to make each way the board channel can fail.

#include "board/pci/pci_channel.h"
#include "board/pci/pci_device.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace cellwatch::test {

// A fresh temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cellwatch-pci-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty()) {
            // Folders made unreadable by a test must be opened up again before they can go.
            for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(m_path, ec);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The standard header of the board as the fake presents it; bytes past 64 carry a pattern so that
// a test can see they are passed on.
inline std::vector<std::uint8_t> boardConfig(std::uint32_t ioBar = 0xE001, std::size_t size = 256) {
    std::vector<std::uint8_t> c(size);
    for (std::size_t i = 64; i < size; ++i)
        c[i] = static_cast<std::uint8_t>(i);
    auto put32 = [&c](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4 && at + i < c.size(); ++i)
            c[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 0x34004C43);  // vendor 0x4c43, device 0x3400
    put32(16, 0xF4000000); // memory window
    put32(20, ioBar);      // I/O base, bit 0 for I/O space
    return c;
}

class FakePciFolder {
public:
    static constexpr std::uint64_t kPortFileBytes = 0x40;

    FakePciFolder() : m_folder(m_dir.path() / "0000:03:00.0") {
        std::filesystem::create_directory(m_folder);
        writeConfig(boardConfig());
        sizeFile(pci::kWindowFile, pci::kWindowBytes);
        sizeFile(pci::kPortFile, kPortFileBytes);
    }

    std::string path() const { return m_folder.string(); }
    std::filesystem::path file(std::string_view name) const { return m_folder / name; }
    const std::filesystem::path& root() const { return m_dir.path(); }

    void writeConfig(const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(file(pci::kConfigFile), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // Makes the file exist with exactly bytes bytes (sparse, so 16 MiB costs nothing).
    void sizeFile(std::string_view name, std::uint64_t bytes) const {
        { std::ofstream touch(file(name), std::ios::binary | std::ios::app); }
        std::filesystem::resize_file(file(name), bytes);
    }
    // Puts something else in a file's place.
    void replaceWithFolder(std::string_view name) const {
        std::filesystem::remove(file(name));
        std::filesystem::create_directory(file(name));
    }

    // The 32-bit little-endian word at offset of a file, read behind the channel's back.
    std::uint32_t word(std::string_view name, std::uint64_t offset) const {
        std::uint8_t b[4] = {};
        const int fd = ::open(file(name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            if (::pread(fd, b, 4, static_cast<off_t>(offset)) != 4)
                std::memset(b, 0xEE, 4);
            ::close(fd);
        }
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    void putWord(std::string_view name, std::uint64_t offset, std::uint32_t value) const {
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        const int fd = ::open(file(name).c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            (void)!::pwrite(fd, b, 4, static_cast<off_t>(offset));
            ::close(fd);
        }
    }

private:
    TempDir m_dir;
    std::filesystem::path m_folder;
};

// A PciChannel over a fake folder that it owns, for code that wants one object (the typed suite).
class FakeFolderChannel final : public DriverChannel {
public:
    FakeFolderChannel() : m_fake(std::make_unique<FakePciFolder>()), m_channel(m_fake->path()) {}

    bool available() const override { return m_channel.available(); }
    bool open() override { return m_channel.open(); }
    bool control(std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t& n) override {
        return m_channel.control(code, out, outSize, n);
    }
    void close() override { m_channel.close(); }
    std::uint32_t load(std::uint32_t offset) override { return m_channel.load(offset); }
    void store(std::uint32_t offset, std::uint32_t value) override { m_channel.store(offset, value); }
    void storeSequence(const WindowStore* stores, std::size_t count) override {
        m_channel.storeSequence(stores, count);
    }
    void portOut(std::uint16_t port, std::uint32_t value) override { m_channel.portOut(port, value); }

private:
    std::unique_ptr<FakePciFolder> m_fake;
    PciChannel m_channel;
};

} // namespace cellwatch::test
