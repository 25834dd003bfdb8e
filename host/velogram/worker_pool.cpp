#include "host/velogram/worker_pool.h"

namespace Velogram {

WorkerPool::WorkerPool(size_t threads)
{
    threads_.reserve(threads);
    for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void WorkerPool::Submit(std::function<void()> job)
{
    if (threads_.empty()) {
        job();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

size_t WorkerPool::Cores()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

void WorkerPool::Work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace Velogram
