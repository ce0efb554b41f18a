#include "board/pci/pci_channel.h"

#include "board/pci/pci_device.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cellwatch {

namespace {

constexpr std::uint32_t kNoBus = 0xFFFFFFFFu;

// Reads up to size bytes from the start of fd, however the file hands them out.
ssize_t readFromStart(int fd, std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// The window guard. The window is the file resource0 mapped shared; when that file shrinks under
// the mapping (the device unplugged or unbound, a test truncating its fake), touching a page past its
// new end raises SIGBUS, which would end the process with nothing cleaned up. Rather than a
// sigsetjmp around every access (a cost on the run's hottest path), a SIGBUS handler looks whether
// the fault lies in a guarded window; if so it maps anonymous memory over the whole window, so that
// the faulting access completes harmlessly, and marks the window lost. The channel looks at that
// mark after each access (one relaxed load) and fails the board. A fault anywhere else goes to the
// handler that was there before (by default: the process ends with SIGBUS, as it always did).
namespace windowGuard {

struct Slot {
    std::atomic<std::uintptr_t> base{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> lost{false};
};

constexpr int kSlots = 16;
Slot slots[kSlots];
std::mutex claimLock;
struct sigaction previousAction {};
bool installed = false;

void onBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : slots) {
        const std::uintptr_t base = slot.base.load(std::memory_order_acquire);
        const std::size_t size = slot.size.load(std::memory_order_relaxed);
        if (base == 0 || address < base || address - base >= size)
            continue;
        // mmap is a plain system call on Linux, safe here in practice although POSIX does not list it.
        void* replaced = ::mmap(reinterpret_cast<void*>(base), size, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (replaced != MAP_FAILED) {
            slot.lost.store(true, std::memory_order_release);
            return; // the access is made again, now on the anonymous pages
        }
        break;
    }
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN &&
        previousAction.sa_handler != nullptr) {
        previousAction.sa_handler(signal);
        return;
    }
    // The default action: restored, the faulting access runs again and ends the process; a SIGBUS
    // sent by another process is raised again.
    ::sigaction(SIGBUS, &previousAction, nullptr);
    if (info->si_code <= 0)
        ::raise(SIGBUS);
}

// A slot for the window at base, or -1 when every slot is taken (the window is then unguarded).
int guard(volatile std::uint8_t* base, std::size_t size) {
    const std::lock_guard<std::mutex> hold(claimLock);
    if (!installed) {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        if (::sigaction(SIGBUS, &action, &previousAction) != 0)
            return -1;
        installed = true;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (slots[i].base.load(std::memory_order_relaxed) != 0)
            continue;
        slots[i].lost.store(false, std::memory_order_relaxed);
        slots[i].size.store(size, std::memory_order_relaxed);
        slots[i].base.store(reinterpret_cast<std::uintptr_t>(base), std::memory_order_release);
        return i;
    }
    return -1;
}

void unguard(int slot) {
    if (slot < 0)
        return;
    const std::lock_guard<std::mutex> hold(claimLock);
    slots[slot].base.store(0, std::memory_order_release);
}

bool lost(int slot) {
    return slot >= 0 && slots[slot].lost.load(std::memory_order_relaxed);
}

} // namespace windowGuard

} // namespace

PciChannel::PciChannel(std::string folder, FailureSink onFailure)
    : m_folder(std::move(folder)), m_onFailure(std::move(onFailure)) {}

PciChannel::~PciChannel() {
    unmap();
    closeFiles();
}

std::string PciChannel::path(std::string_view file) const {
    std::string p = m_folder;
    if (!p.empty() && p.back() != '/')
        p += '/';
    p += file;
    return p;
}

bool PciChannel::fail(std::string reason) {
    if (m_failure.empty()) {
        m_failure = std::move(reason);
        if (m_onFailure)
            m_onFailure(m_failure);
    }
    return false;
}

bool PciChannel::openFile(std::string_view file, int flags, int& fd) {
    const std::string p = path(file);
    // Non-blocking, so that a FIFO put in a file's place cannot hang the open.
    fd = ::open(p.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail(pci::systemReason(p, errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(pci::systemReason(p, errno));
    if (!S_ISREG(st.st_mode))
        return fail(p + ": not a regular file");
    return true;
}

bool PciChannel::open() {
    m_failure.clear();
    unmap();
    closeFiles();
    struct stat st {};
    if (::stat(m_folder.c_str(), &st) != 0)
        return fail(pci::systemReason(m_folder, errno));
    if (!S_ISDIR(st.st_mode))
        return fail(m_folder + ": not a folder");
    if (!openFile(pci::kConfigFile, O_RDONLY, m_config) || !openFile(pci::kWindowFile, O_RDWR, m_windowFile) ||
        !openFile(pci::kPortFile, O_RDWR, m_portFile)) {
        closeFiles();
        return false;
    }
    return true;
}

bool PciChannel::initialise() {
    if (m_config < 0)
        return fail(m_folder + ": the device files are not open");
    const std::string configPath = path(pci::kConfigFile);
    std::array<std::uint8_t, pci::kHeaderBytes> header{};
    const ssize_t got = readFromStart(m_config, header.data(), header.size());
    if (got < 0)
        return fail(pci::systemReason(configPath, errno));
    const auto decoded = pci::decodeHeader(header.data(), static_cast<std::size_t>(got));
    if (!decoded)
        return fail(configPath + ": " + std::to_string(got) + " bytes, the configuration header needs " +
                    std::to_string(pci::kHeaderBytes));
    if (!decoded->ioSpace())
        return fail(configPath + ": the second base address register (" + pci::hex(decoded->ioBar, 8) +
                    ") is not an I/O region");

    struct stat st {};
    const std::string windowPath = path(pci::kWindowFile);
    if (::fstat(m_windowFile, &st) != 0)
        return fail(pci::systemReason(windowPath, errno));
    if (static_cast<std::uint64_t>(st.st_size) < pci::kWindowBytes)
        return fail(windowPath + ": the region is " + std::to_string(st.st_size) +
                    " bytes, the memory window needs " + std::to_string(pci::kWindowBytes));
    const std::string portPath = path(pci::kPortFile);
    if (::fstat(m_portFile, &st) != 0)
        return fail(pci::systemReason(portPath, errno));
    if (static_cast<std::uint64_t>(st.st_size) < pci::kPortBytes)
        return fail(portPath + ": the region is " + std::to_string(st.st_size) + " bytes, the ports need " +
                    std::to_string(pci::kPortBytes));
    m_portBytes = static_cast<std::uint64_t>(st.st_size);
    m_portBase = decoded->portBase();

    // Mapped here rather than at code 6: the open sequence looks at the answer to code 0 only, so this
    // is where a refused mapping can still stop the board from being used.
    void* window = ::mmap(nullptr, pci::kWindowBytes, PROT_READ | PROT_WRITE, MAP_SHARED, m_windowFile, 0);
    if (window == MAP_FAILED)
        return fail(windowPath + ": the memory window cannot be mapped: " + std::strerror(errno));
    m_window = static_cast<volatile std::uint8_t*>(window);
    m_guardSlot = windowGuard::guard(m_window, pci::kWindowBytes);
    m_lostReason.clear();
    return true;
}

bool PciChannel::lost() const {
    return !m_lostReason.empty() || windowGuard::lost(m_guardSlot);
}

bool PciChannel::checkLost() {
    if (!windowGuard::lost(m_guardSlot)) [[likely]]
        return !m_lostReason.empty();
    if (m_lostReason.empty()) {
        struct stat st {};
        const std::string windowPath = path(pci::kWindowFile);
        m_lostReason = ::fstat(m_windowFile, &st) == 0
                           ? windowPath + " shrank to " + std::to_string(st.st_size) + " bytes during the run"
                           : pci::systemReason(windowPath, errno) + " during the run";
        fail(m_lostReason);
    }
    return true;
}

bool PciChannel::control(std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t& bytesReturned) {
    bytesReturned = 0;
    switch (code) {
    case driver_protocol::kInitialise:
        // Each initialise tells its own outcome.
        m_failure.clear();
        unmap();
        // Failure is the answer of a working driver.
        return !initialise();
    case driver_protocol::kClose:
        unmap();
        return true;
    case driver_protocol::kPciConfig: {
        if (out == nullptr || m_config < 0)
            return false;
        std::array<std::uint8_t, driver_protocol::kPciConfigSize> data{};
        const ssize_t got = readFromStart(m_config, data.data(), data.size());
        if (got < 0)
            return false;
        // Unprivileged readers get only the standard header from sysfs; the rest stays zero.
        const std::uint32_t n = std::min<std::uint32_t>(outSize, static_cast<std::uint32_t>(data.size()));
        std::memcpy(out, data.data(), n);
        bytesReturned = n;
        return true;
    }
    case driver_protocol::kWindow: {
        if (out == nullptr || m_window == nullptr)
            return false;
        const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_window));
        std::uint8_t data[4];
        std::memcpy(data, &address, sizeof data);
        const std::uint32_t n = std::min<std::uint32_t>(outSize, sizeof data);
        std::memcpy(out, data, n);
        bytesReturned = n;
        return true;
    }
    default:
        return false;
    }
}

void PciChannel::close() {
    unmap();
    closeFiles();
}

std::uint32_t PciChannel::load(std::uint32_t byteOffset) {
    if (m_window == nullptr || static_cast<std::uint64_t>(byteOffset) + 4 > pci::kWindowBytes)
        return kNoBus;
    std::uint32_t value = 0;
    if (byteOffset % 4 == 0) {
        value = *reinterpret_cast<volatile std::uint32_t*>(m_window + byteOffset);
    } else {
        for (std::uint32_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(m_window[byteOffset + i]) << (8 * i);
    }
    return checkLost() ? kNoBus : value;
}

void PciChannel::store(std::uint32_t byteOffset, std::uint32_t value) {
    if (m_window == nullptr || static_cast<std::uint64_t>(byteOffset) + 4 > pci::kWindowBytes)
        return;
    if (!m_lostReason.empty()) [[unlikely]]
        return;
    if (byteOffset % 4 == 0) {
        *reinterpret_cast<volatile std::uint32_t*>(m_window + byteOffset) = value;
    } else {
        for (std::uint32_t i = 0; i < 4; ++i)
            m_window[byteOffset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    checkLost();
}

void PciChannel::storeSequence(const WindowStore* stores, std::size_t count) {
    // Each word keeps its own bus cycle, in order; only the call per word goes.
    for (std::size_t i = 0; i < count; ++i)
        PciChannel::store(stores[i].byteOffset, stores[i].value);
}

void PciChannel::portOut(std::uint16_t port, std::uint32_t value) {
    if (m_portFile < 0 || port < m_portBase)
        return;
    const std::uint64_t offset = static_cast<std::uint64_t>(port - m_portBase);
    if (offset + 4 > m_portBytes)
        return;
    // The kernel hands the four bytes to the port as one host-order word.
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    // Port writes cannot fail from the board layer's side; a refused write is simply lost.
    while (::pwrite(m_portFile, bytes, sizeof bytes, static_cast<off_t>(offset)) < 0 && errno == EINTR) {
    }
}

void PciChannel::unmap() {
    windowGuard::unguard(m_guardSlot);
    m_guardSlot = -1;
    if (m_window != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(m_window), pci::kWindowBytes);
        m_window = nullptr;
    }
}

void PciChannel::closeFiles() {
    for (int* fd : {&m_config, &m_windowFile, &m_portFile}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_portBytes = 0;
    m_portBase = 0;
}

} // namespace cellwatch
