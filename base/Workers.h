#pragma once
// A small pool of threads that run the parts of one round of work together:
// the caller runs part 0 and waits for the others.
//
//   base::Workers workers(2);
//   workers.Run(2, [&](int k) { Convert(share[k]); });  // both shares done here

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace base {

// Runs parts of a round on worker threads while the caller runs the first.
// A part must not throw: catch inside and hand the error back.
class Workers {
public:
    explicit Workers(int count) {
        for (int i = 1; i < count; ++i) threads_.emplace_back([this, i] { Loop(i); });
    }
    ~Workers() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& t : threads_) t.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    int Count() const { return int(threads_.size()) + 1; }

    // Calls job(k) for k from 0 to parts - 1 (at most Count()), job(0) on
    // this thread; returns when every call has.
    void Run(int parts, const std::function<void(int)>& job) {
        {
            const std::lock_guard lock(mutex_);
            job_ = &job;
            parts_ = parts;
            pending_ = parts - 1;
            ++round_;
        }
        wake_.notify_all();
        job(0);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
    }

private:
    void Loop(int index) {
        long seen = 0;
        for (;;) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || round_ != seen; });
            if (stop_) return;
            seen = round_;
            if (index >= parts_) continue;
            const auto* job = job_;
            lock.unlock();
            (*job)(index);
            lock.lock();
            if (--pending_ == 0) done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    int parts_ = 0, pending_ = 0;
    long round_ = 0;
    bool stop_ = false;
};

// The number of cores, 1 when unknown, at most 64.
inline int CoreCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(n < 64 ? n : 64);
}

}  // namespace base
