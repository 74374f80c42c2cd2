#pragma once
// A small pool of threads that run the parts of one round of work together:
// the caller runs part 0 and waits for the others.
//
//   base::Workers workers(2);
//   workers.Run(2, [&](int k) { Convert(share[k]); });  // both shares done here

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace base {

// Runs parts of a round on worker threads while the caller runs the first.
// Threads that cannot be created (memory or process limits) leave fewer
// workers, down to the caller alone: the parts they would have run are run
// by the caller, so a round gives the same result with any number of threads.
class Workers {
public:
    explicit Workers(int count) {
        try {
            threads_.reserve(count > 1 ? std::size_t(count - 1) : 0);
            for (int i = 1; i < count; ++i) threads_.emplace_back([this, i] { Loop(i); });
        } catch (const std::exception&) {
            // std::system_error from the thread, std::bad_alloc from the vector:
            // the threads made so far are the pool.
        }
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

    // Calls job(k) for k from 0 to parts - 1, job(0) and the parts beyond
    // Count() on this thread; returns when every call has. Every part
    // runs; the first exception one throws is thrown here once all have ended.
    void Run(int parts, const std::function<void(int)>& job) {
        const int pooled = parts < Count() ? parts : Count();
        {
            const std::lock_guard lock(mutex_);
            job_ = &job;
            parts_ = pooled;
            pending_ = pooled - 1;
            error_ = nullptr;
            ++round_;
        }
        wake_.notify_all();
        std::exception_ptr own;
        const auto runHere = [&](int k) {
            try {
                job(k);
            } catch (...) {
                if (!own) own = std::current_exception();
            }
        };
        runHere(0);
        for (int k = pooled; k < parts; ++k) runHere(k);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ <= 0; });
        if (own) std::rethrow_exception(own);
        if (error_) std::rethrow_exception(error_);
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
            std::exception_ptr failed;
            try {
                (*job)(index);
            } catch (...) {
                failed = std::current_exception();
            }
            lock.lock();
            if (failed && !error_) error_ = failed;
            if (--pending_ == 0) done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    int parts_ = 0, pending_ = 0;
    long round_ = 0;
    std::exception_ptr error_;
    bool stop_ = false;
};

// The number of cores, 1 when unknown, at most 64.
inline int CoreCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(n < 64 ? n : 64);
}

}  // namespace base
