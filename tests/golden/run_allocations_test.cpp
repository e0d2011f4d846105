// The cycle loop must not touch the heap: from the trace headers (written right
// after set-up) to the first line of the summary reports, a run of every bundled
// example makes no allocation. The replacement operator new below serves every
// test of the binary and only bumps a per-thread counter; sanitizers keep their own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "files/run_folder.hpp"
#include "driver/simulation.hpp"
#include "case/run_inputs.hpp"

#if !defined(__SANITIZE_ADDRESS__)
namespace {
thread_local std::uint64_t t_allocations = 0;  // test-only state

void* counted_allocation(std::size_t size) {
    ++t_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size); }
void* operator new[](std::size_t size) { return counted_allocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace diesel {
namespace {

// An output that drops what it is given, noting the allocation count at its first write.
struct MarkingBuffer : std::streambuf {
    std::uint64_t atFirstWrite = UINT64_MAX;
    int_type overflow(int_type c) override { return xsputn(nullptr, 1), traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        if (atFirstWrite == UINT64_MAX) atFirstWrite = t_allocations;
        return n;
    }
};

class RunAllocations : public ::testing::TestWithParam<const char*> {};

TEST_P(RunAllocations, CycleLoopMakesNoAllocation) {
    const std::string dir = std::string(DIESEL_SOURCE_DIR) + "/examples/" + GetParam() + "/";
    auto s = std::make_unique<RunState>();
    read_inputs(*s, {read_text_file(dir + "fort3.dat"), read_text_file(dir + "fort2.dat"),
                     read_text_file(dir + "fort14.dat")});
    MarkingBuffer b[9];
    std::ostream o0(&b[0]), o1(&b[1]), o2(&b[2]), o3(&b[3]), o4(&b[4]), o5(&b[5]), o6(&b[6]), o7(&b[7]), o8(&b[8]);
    const RunOutcome outcome = run_simulation(*s, {&o0, &o1, &o2, &o3, &o4, &o5, &o6, &o7, &o8});
    ASSERT_EQ(outcome.end, RunEnd::Completed) << outcome.reason;
    // b[0] is "fort8.dat", b[4] "fort13.dat"
    ASSERT_NE(b[0].atFirstWrite, UINT64_MAX);
    EXPECT_EQ(b[4].atFirstWrite, b[0].atFirstWrite) << "heap allocations between trace headers and summary";
}

INSTANTIATE_TEST_SUITE_P(Examples, RunAllocations, ::testing::Values("c1_fixed", "c1_load", "c4_fixed", "c12_fixed"));

}  // namespace
}  // namespace diesel
#endif
