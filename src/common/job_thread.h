#pragma once
// A thread of its own that runs the jobs handed to it, one at a time and in the order they came, while
// the thread that hands them over goes on (a run's outputs written behind its cycles, a cache file's
// blocks written behind the appends). Every background writer of the program uses it, so they all
// start, wake and stop the same way: a job handed over wakes the thread; with nothing to do it sleeps;
// a stop (at the latest its destruction) lets the job under way finish, drops those not started and
// joins the thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace cellwatch {

class JobThread {
public:
    // A job is told when a stop is requested, so that a long one can end early.
    using Job = std::function<void(std::stop_token)>;

    JobThread();
    ~JobThread(); // stop()
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Queues job and wakes the thread. Returns the job's number (1 for the first, then counting up),
    // for waitFor; 0 when the thread is stopped (the job is dropped).
    std::uint64_t post(Job job);
    // Returns once job number `job` and every one before it have run: true, or false when the thread
    // stopped first and one of them never will.
    bool waitFor(std::uint64_t job);
    // waitFor the last job posted.
    bool waitIdle();
    // How many jobs have run to their end.
    std::uint64_t done() const;

    // Lets the job under way finish, drops the others and joins the thread; later posts are dropped.
    void stop();

private:
    void run(std::stop_token stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake; // a job queued (a stop request wakes it too)
    std::condition_variable m_ran;      // a job ran, or the thread ended
    std::deque<Job> m_jobs;
    std::uint64_t m_posted = 0;
    std::uint64_t m_done = 0;
    bool m_ended = false;
    std::jthread m_thread; // last: it starts once everything above exists, and goes first
};

} // namespace cellwatch
