// The program's two-thread helpers: where to split work in two, and running two halves at
// once. A thread that cannot be started is no failure: the work then runs on this thread.
#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

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
// an exception thrown by there() is rethrown here. Without a second thread (threads, the
// stage's bound, is below two, or none can be started), there() runs on this thread first.
// The two must not write to the same data.
template <class Here, class There>
void inParallel(unsigned threads, Here&& here, There&& there) {
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
        if (threads < 2) {
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
void onTwoThreads(unsigned threads, std::size_t split, std::size_t count, Work&& work) {
    inParallel(
        threads, [&] { work(std::size_t{0}, split); }, [&] { work(split, count); });
}
