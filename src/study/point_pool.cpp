#include "study/point_pool.hpp"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace diesel {

std::size_t run_point_pool(std::size_t n, unsigned jobs, const std::function<void(std::size_t)>& run,
                           const std::function<bool(std::size_t)>& between) {
    if (jobs == 0) jobs = std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;
    if (jobs > n) jobs = static_cast<unsigned>(n);

    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto fail = [&](std::exception_ptr e) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (!failure) failure = e;
        stop = true;
    };
    // Takes and runs one point; false when there is none left to take.
    const auto take = [&]() {
        if (stop) return false;
        const std::size_t i = next.fetch_add(1);
        if (i >= n) return false;
        try {
            run(i);
        } catch (...) {
            fail(std::current_exception());
            return false;
        }
        done.fetch_add(1);
        return true;
    };

    std::vector<std::thread> pool;
    for (unsigned t = 1; t < jobs; ++t) {
        pool.emplace_back([&]() {
            while (take()) {
            }
        });
    }
    while (take()) {
        try {
            if (!between(done.load())) stop = true;
        } catch (...) {
            fail(std::current_exception());
        }
    }
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    return done.load();
}

}  // namespace diesel
