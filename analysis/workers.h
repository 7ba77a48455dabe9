// A team of threads for fork-join loops over numbered chunks of work.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

// The helpers are started once and sleep between loops (on a futex, through atomic wait), so a
// loop costs a wake-up instead of thread creation: the multilevel detectors run thousands of
// short loops. The calling thread works too. Chunks are handed out in increasing order to
// whichever thread asks next, so which thread runs a chunk is not fixed: a chunk's result must
// depend on the chunk alone, never on the worker number, which only selects scratch space.
class Workers {
  public:
    // Up to `threads` threads in all, the caller included (0 counts as 1). A helper that
    // cannot be started (std::system_error) means fewer threads, never an error.
    explicit Workers(unsigned threads);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // The threads that take part in a loop, the caller included: worker numbers run from 0
    // (the caller) to count() − 1.
    unsigned count() const { return static_cast<unsigned>(helpers_.size()) + 1; }

    // Calls work(chunk, worker) for every chunk in [0, chunks) and returns when all are done.
    // An exception thrown by a chunk stops the hand-out and is rethrown here (the first one).
    template <class Work>
    void forEach(std::size_t chunks, Work&& work) {
        auto call = [](void* context, std::size_t chunk, unsigned worker) {
            (*static_cast<std::remove_reference_t<Work>*>(context))(chunk, worker);
        };
        run(Job{call, &work, chunks});
    }

  private:
    struct Job {
        void (*call)(void*, std::size_t, unsigned) = nullptr;
        void* context = nullptr;
        std::size_t chunks = 0;
    };

    void run(const Job& job);
    void drain(unsigned worker);
    void serve(unsigned worker);

    Job job_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::size_t> next_{0};
    std::atomic<unsigned> pending_{0};
    std::atomic<bool> stopping_{false};
    std::mutex failureLock_;
    std::exception_ptr failure_;
    std::vector<std::jthread> helpers_;
};

// Runs body(begin, end, worker) over [0, count) in chunks of `chunk` items; on the calling
// thread alone when count is below `parallelFrom`. The split into chunks depends on count and
// chunk only, never on the number of threads.
template <class Body>
void forRange(Workers& workers, std::size_t count, std::size_t chunk, std::size_t parallelFrom,
              Body&& body) {
    if (count == 0) return;
    if (count < parallelFrom || workers.count() == 1) {
        body(std::size_t{0}, count, 0u);
        return;
    }
    workers.forEach((count + chunk - 1) / chunk, [&](std::size_t c, unsigned worker) {
        body(c * chunk, std::min(count, (c + 1) * chunk), worker);
    });
}
