// The one kind of thread behind a run: jobs in order on a thread of their own, waiting for a given
// job, and a stop that lets the job under way end and drops the rest.
#include "common/job_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cellwatch {
namespace {

TEST(JobThread, JobsRunInTheirOrderOnAThreadOfTheirOwnAndCanBeWaitedFor) {
    JobThread worker;
    std::vector<int> ran; // written by the jobs only; read after waiting for them
    std::thread::id where;
    for (int i = 1; i <= 200; ++i)
        EXPECT_EQ(worker.post([&ran, &where, i](std::stop_token) {
            where = std::this_thread::get_id();
            ran.push_back(i);
        }),
                  static_cast<std::uint64_t>(i));
    ASSERT_TRUE(worker.waitFor(120));
    EXPECT_GE(worker.done(), 120u);
    ASSERT_TRUE(worker.waitIdle());
    EXPECT_EQ(worker.done(), 200u);
    ASSERT_EQ(ran.size(), 200u);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(ran[static_cast<std::size_t>(i)], i + 1);
    EXPECT_NE(where, std::this_thread::get_id());
    // Idle, it wakes for the next job.
    const std::uint64_t next = worker.post([&ran](std::stop_token) { ran.push_back(0); });
    ASSERT_TRUE(worker.waitFor(next));
    EXPECT_EQ(ran.back(), 0);
    EXPECT_TRUE(worker.waitFor(0)) << "nothing to wait for";
}

TEST(JobThread, AStopLetsTheJobUnderWayEndAndDropsTheOthers) {
    std::mutex mutex;
    std::condition_variable_any changed;
    bool started = false;
    bool endedByStop = false;
    bool laterRan = false;
    JobThread worker;
    // The first job runs until it is told of the stop; the second is still queued then.
    worker.post([&](std::stop_token stop) {
        std::unique_lock<std::mutex> lock(mutex);
        started = true;
        changed.notify_all();
        changed.wait(lock, stop, [] { return false; });
        endedByStop = stop.stop_requested();
    });
    const std::uint64_t later = worker.post([&](std::stop_token) { laterRan = true; });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return started; });
    }
    worker.stop(); // returns once the first job has ended
    EXPECT_TRUE(endedByStop);
    EXPECT_FALSE(laterRan);
    EXPECT_EQ(worker.done(), 1u);
    EXPECT_FALSE(worker.waitFor(later)) << "a dropped job is never waited for in vain";
    EXPECT_EQ(worker.post([&](std::stop_token) { laterRan = true; }), 0u);
    EXPECT_FALSE(laterRan);
    worker.stop(); // again: nothing left to stop
}

TEST(JobThread, WhatAJobHoldsGoesBeforeItCountsAsRun) {
    // A job's captures (the chunks a walk reads) are freed on the worker, before a waiter goes on.
    JobThread worker;
    auto held = std::make_shared<int>(7);
    std::weak_ptr<int> watch = held;
    const std::uint64_t job = worker.post([held = std::move(held)](std::stop_token) { (void)*held; });
    ASSERT_TRUE(worker.waitFor(job));
    EXPECT_TRUE(watch.expired());
}

} // namespace
} // namespace cellwatch
