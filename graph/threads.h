// The program's two-thread helpers: where to split work in two, and running two halves at
// once. A thread that cannot be started is no failure: the work then runs on this thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

// The most threads any stage runs at once (the program's -threads; 0: no bound). Set once,
// before the stages run; every result is the same whatever the bound.
inline std::atomic<unsigned>& threadBound() {
    static std::atomic<unsigned> bound{0};
    return bound;
}
inline void limitThreads(unsigned count) {
    threadBound().store(count);
}
// The threads a stage that could use `wanted` may start, itself included (at least 1).
inline unsigned threadsFor(unsigned wanted) {
    const unsigned bound = threadBound().load();
    const unsigned count = bound == 0 ? wanted : (wanted < bound ? wanted : bound);
    return count == 0 ? 1 : count;
}

// Where to split items 0 … count − 1 into two runs of about equal work: the first index
// from which the rest weighs at most half of the total (weight(k) is the work of item k).
template <class Weight>
std::size_t halfOfTheWork(std::size_t count, Weight&& weight) {
    std::size_t total = 0;
    for (std::size_t k = 0; k < count; ++k) total += weight(k);
    std::size_t split = 0;
    for (std::size_t work = 0; split < count && 2 * work < total; ++split) work += weight(split);
    return split;
}

// Runs here() on this thread and there() on a second one, and returns when both are done;
// an exception thrown by there() is rethrown here. Without a second thread (none can be
// started, or the bound is one), there() runs on this thread first. The two must not write
// to the same data.
template <class Here, class There>
void inParallel(Here&& here, There&& there) {
    std::exception_ptr failure;
    auto guarded = [&] {
        try {
            there();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    {
        std::jthread second;
        if (threadsFor(2) < 2) {
            guarded();
        } else {
            try {
                second = std::jthread(guarded);
            } catch (const std::system_error&) {
                guarded();
            }
        }
        here();
    }
    if (failure) std::rethrow_exception(failure);
}

// Runs work(0, split) on this thread and work(split, count) on a second one (see
// inParallel).
template <class Work>
void onTwoThreads(std::size_t split, std::size_t count, Work&& work) {
    inParallel([&] { work(std::size_t{0}, split); }, [&] { work(split, count); });
}
