#include "analysis/workers.h"

#include <system_error>

Workers::Workers(unsigned threads) {
    for (unsigned worker = 1; worker < threads; ++worker) {
        try {
            helpers_.emplace_back([this, worker] { serve(worker); });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the team is smaller
        }
    }
}

Workers::~Workers() {
    stopping_.store(true, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    // The jthreads join as helpers_ is destroyed.
}

void Workers::run(const Job& job) {
    if (job.chunks == 0) return;
    job_ = job;
    failure_ = nullptr;
    next_.store(0, std::memory_order_relaxed);
    if (helpers_.empty() || job.chunks == 1) {
        drain(0);
    } else {
        pending_.store(static_cast<unsigned>(helpers_.size()), std::memory_order_relaxed);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        drain(0);
        for (unsigned left; (left = pending_.load(std::memory_order_acquire)) != 0;)
            pending_.wait(left, std::memory_order_acquire);
    }
    if (failure_) std::rethrow_exception(failure_);
}

void Workers::drain(unsigned worker) {
    try {
        for (std::size_t chunk;
             (chunk = next_.fetch_add(1, std::memory_order_relaxed)) < job_.chunks;)
            job_.call(job_.context, chunk, worker);
    } catch (...) {
        next_.store(job_.chunks, std::memory_order_relaxed);
        const std::lock_guard lock(failureLock_);
        if (!failure_) failure_ = std::current_exception();
    }
}

void Workers::serve(unsigned worker) {
    std::uint64_t seen = 0;
    for (;;) {
        generation_.wait(seen, std::memory_order_acquire);
        seen = generation_.load(std::memory_order_acquire);
        if (stopping_.load(std::memory_order_acquire)) return;
        drain(worker);
        if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) pending_.notify_one();
    }
}
