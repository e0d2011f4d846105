// The point pool: a stop from the caller or a failing point ends it without
// losing the failure (the Python map's tests run it to the end).
#include "study/point_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace diesel {
namespace {

TEST(PointPool, StopAndFailureEndIt) {
    std::atomic<std::size_t> started{0};
    // The caller's thread alone: it stops after its third point.
    EXPECT_EQ(run_point_pool(10, 1, [&](std::size_t) { ++started; }, [](std::size_t done) { return done < 3; }), 3u);
    EXPECT_EQ(started, 3u);
    started = 0;
    EXPECT_THROW(run_point_pool(
                     100, 2,
                     [&](std::size_t i) {
                         ++started;
                         if (i == 5) throw std::runtime_error("point 5");
                         std::this_thread::sleep_for(std::chrono::microseconds(500));
                     },
                     [](std::size_t) { return true; }),
                 std::runtime_error);
    EXPECT_LT(started, 100u);
}

}  // namespace
}  // namespace diesel
