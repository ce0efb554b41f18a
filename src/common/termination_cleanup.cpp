// The watch is a thread waiting in sigwait rather than a signal handler: removing a folder tree needs
// calls that are not async-signal-safe, and taking the list's lock must be able to wait for a save
// that is creating or renaming its temporary file right then.
#include "common/termination_cleanup.h"

#include <csignal>
#include <filesystem>
#include <map>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace cellwatch {
namespace {

struct Removable {
    RemovableKind kind;
    std::string path;
};

struct RemovableList {
    std::mutex lock;
    std::map<std::uint64_t, Removable> entries;
    std::uint64_t lastTicket = 0;
};

// Never destroyed: a signal may arrive while static objects are being torn down at exit.
RemovableList& removableList() {
    static RemovableList* list = new RemovableList;
    return *list;
}

void removeEntry(const Removable& entry) {
    std::error_code ignored;
    if (entry.kind == RemovableKind::Folder)
        std::filesystem::remove_all(entry.path, ignored);
    else
        std::filesystem::remove(entry.path, ignored);
}

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    // SIGHUP is what a run started over SSH gets when the connection drops, SIGQUIT what Ctrl+\ sends:
    // both end the run as an interrupt does, not with the scratch files left behind.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&set, signal);
    return set;
}

} // namespace

std::uint64_t createRemovable(RemovableKind kind, const std::function<std::string()>& create) {
    RemovableList& list = removableList();
    const std::lock_guard<std::mutex> hold(list.lock);
    std::string path = create();
    if (path.empty())
        return 0;
    const std::uint64_t ticket = ++list.lastTicket;
    list.entries.emplace(ticket, Removable{kind, std::move(path)});
    return ticket;
}

void settleRemovable(std::uint64_t ticket, const std::function<void()>& settle) {
    RemovableList& list = removableList();
    const std::lock_guard<std::mutex> hold(list.lock);
    settle();
    list.entries.erase(ticket);
}

void removeAllRemovables() {
    RemovableList& list = removableList();
    list.lock.lock(); // deliberately never unlocked
    for (const auto& [ticket, entry] : list.entries)
        removeEntry(entry);
    list.entries.clear();
}

bool startTerminationWatch() {
    const sigset_t set = watchedSignals();
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return false;
    try {
        std::thread([set] {
            int signal = 0;
            while (sigwait(&set, &signal) != 0) {
            }
            removeAllRemovables();
            ::_exit(128 + signal);
        }).detach();
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return false;
    }
    return true;
}

} // namespace cellwatch
