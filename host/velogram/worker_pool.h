// WorkerPool: a fixed set of threads that run jobs, each job once, on whichever thread is free;
// jobs start in the order they were given. A pool of no threads runs each job at once on the
// thread that gives it, so that one code path serves the single-threaded run too.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace Velogram {

class WorkerPool {
public:
    // [in] threads: 0 for none.
    explicit WorkerPool(size_t threads);
    // Waits for the jobs given, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // [in] job: must not throw (a job keeps its own failure for whoever waits on it).
    void Submit(std::function<void()> job);
    size_t Threads() const { return threads_.size(); }

    // The threads a machine offers (at least 1).
    static size_t Cores();

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace Velogram
