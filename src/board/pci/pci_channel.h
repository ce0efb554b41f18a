#pragma once
// A real LC3400DS through the files the Linux kernel gives every PCI device: the configuration space
// (`config`), the memory window (`resource0`, mapped shared into the process) and the I/O ports
// (`resource1`, written with pwrite). No kernel driver of our own and no root rights are needed, only
// read/write access to those files (see the udev rule in data/).

#include "board/driver_channel.h"

#include <functional>
#include <string>

namespace cellwatch {

class PciChannel final : public DriverChannel {
public:
    // Told once, with the path and the system's reason, when the open or the initialisation fails.
    using FailureSink = std::function<void(const std::string& reason)>;

    // folder: the device's sysfs folder (or a folder laid out like one). Nothing is opened yet.
    explicit PciChannel(std::string folder, FailureSink onFailure = {});
    ~PciChannel() override;
    PciChannel(const PciChannel&) = delete;
    PciChannel& operator=(const PciChannel&) = delete;

    // Always true: sysfs needs no probe; a missing folder shows in open().
    bool available() const override { return true; }
    // Opens config for reading and both regions for reading and writing; all must be regular files.
    bool open() override;
    // 0: checks the header (I/O bit) and the region sizes and maps the window; like a working driver
    //    it reports failure when all is well and success when the board cannot be used.
    // 4: unmaps the window. 5: the configuration data as config gives it, zero-filled to the buffer.
    // 6: the low 32 bits of the window's address in this process (informational: accesses go by
    //    offset through load and store).
    bool control(std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t& bytesReturned) override;
    void close() override;

    // Volatile 32-bit accesses on the mapping; unaligned offsets (the SRAM probe) go byte by byte.
    // Outside the window, or before it is mapped, loads give 0xFFFFFFFF and stores are dropped.
    std::uint32_t load(std::uint32_t byteOffset) override;
    void store(std::uint32_t byteOffset, std::uint32_t value) override;
    void storeSequence(const WindowStore* stores, std::size_t count) override;
    // A 32-bit pwrite at (port - port base) of resource1; ports outside the region are dropped.
    void portOut(std::uint16_t port, std::uint32_t value) override;

    // The window's file shrank under the mapping (hot unplug, driver unbind, a truncated file): the
    // access that found it did not kill the process (see windowGuard in pci_channel.cpp), and the
    // board now fails with "<path>/resource0 shrank to N bytes during the run".
    bool lost() const override;
    std::string lostReason() const override { return m_lostReason; }

    const std::string& folder() const { return m_folder; }
    // Why the open or initialisation failed; empty while nothing failed.
    const std::string& failureReason() const { return m_failure; }
    bool mapped() const { return m_window != nullptr; }

private:
    std::string path(std::string_view file) const;
    bool fail(std::string reason);
    bool openFile(std::string_view file, int flags, int& fd);
    bool initialise();
    void unmap();
    // After an access: whether the window was lost during it (reported once).
    bool checkLost();
    void closeFiles();

    std::string m_folder;
    FailureSink m_onFailure;
    std::string m_failure;
    int m_config = -1;
    int m_windowFile = -1;
    int m_portFile = -1;
    volatile std::uint8_t* m_window = nullptr;
    int m_guardSlot = -1; // the window's place in the bus-error guard
    std::string m_lostReason;
    std::uint64_t m_portBytes = 0;
    std::uint16_t m_portBase = 0;
};

} // namespace cellwatch
