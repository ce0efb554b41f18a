#include "common/job_thread.h"

namespace cellwatch {

JobThread::JobThread() : m_thread([this](std::stop_token stop) { run(stop); }) {}

JobThread::~JobThread() {
    stop();
}

std::uint64_t JobThread::post(Job job) {
    std::uint64_t number = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ended || m_thread.get_stop_token().stop_requested())
            return 0;
        m_jobs.push_back(std::move(job));
        number = ++m_posted;
    }
    m_wake.notify_one();
    return number;
}

bool JobThread::waitFor(std::uint64_t job) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ran.wait(lock, [&] { return m_done >= job || m_ended; });
    return m_done >= job;
}

bool JobThread::waitIdle() {
    std::uint64_t last = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        last = m_posted;
    }
    return waitFor(last);
}

std::uint64_t JobThread::done() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

void JobThread::stop() {
    if (!m_thread.joinable())
        return;
    m_thread.request_stop(); // wakes the thread through its wait
    m_thread.join();
}

void JobThread::run(std::stop_token stop) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_wake.wait(lock, stop, [&] { return !m_jobs.empty(); }) && !stop.stop_requested()) {
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job(stop);
        job = nullptr; // what it holds goes before the job counts as run
        lock.lock();
        ++m_done;
        m_ran.notify_all();
    }
    m_jobs.clear();
    m_ended = true;
    m_ran.notify_all();
}

} // namespace cellwatch
