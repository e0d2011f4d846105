// Many independent runs at once: a pool of threads that take the next point
// until none is left. Each point is a complete run in a RunState of its own,
// so the results are the bits of the same runs made one at a time.
#pragma once

#include <cstddef>
#include <functional>

namespace diesel {

// Calls run(i) for every i in [0, n) on `jobs` threads (0: one per core), the
// calling thread being one of them. Between two of its own points the calling
// thread calls between(done), `done` being the count of points finished; once
// that returns false no further point is started. Returns the count of points
// run. An exception from run() or between() stops the pool taking points and
// is rethrown, after every thread has finished, to the caller.
std::size_t run_point_pool(std::size_t n, unsigned jobs, const std::function<void(std::size_t)>& run,
                           const std::function<bool(std::size_t)>& between);

}  // namespace diesel
