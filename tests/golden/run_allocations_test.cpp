// The cycle loop must not touch the heap: from the trace headers (written right
// after set-up) to the first line of the summary reports, a run of every bundled
// example makes no allocation, also in the output cycle with its trace lines.
//
// All tests link into one binary, so the replacement of the global operator
// new below serves every test; it only bumps a per-thread counter, which no
// other test reads. Sanitizer builds keep their own operator new.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "cli/file_run.hpp"
#include "driver/simulation.hpp"
#include "input/input_files.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define DIESEL_COUNT_ALLOCATIONS 0
#else
#define DIESEL_COUNT_ALLOCATIONS 1
#endif

#if DIESEL_COUNT_ALLOCATIONS
namespace {
// Per thread, so that no other thread's allocations are counted. Test-only state.
thread_local std::uint64_t t_allocations = 0;

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
#endif

namespace diesel {
namespace {

#if DIESEL_COUNT_ALLOCATIONS

// An output that keeps only a byte count and notes the allocation counter at
// its first write; it never allocates itself.
class MarkingBuffer : public std::streambuf {
public:
    static constexpr std::uint64_t kUnwritten = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t allocationsAtFirstWrite = kUnwritten;
    std::uint64_t bytes = 0;

protected:
    int_type overflow(int_type c) override {
        mark();
        if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        mark();
        bytes += static_cast<std::uint64_t>(n);
        return n;
    }

private:
    void mark() {
        if (allocationsAtFirstWrite == kUnwritten) allocationsAtFirstWrite = t_allocations;
    }
};


class RunAllocations : public ::testing::TestWithParam<const char*> {};

TEST_P(RunAllocations, CycleLoopMakesNoAllocation) {
    const std::string dir = std::string(DIESEL_SOURCE_DIR) + "/examples/" + GetParam() + "/";
    const InputTexts texts{read_text_file(dir + "fort3.dat"), read_text_file(dir + "fort2.dat"),
                           read_text_file(dir + "fort14.dat")};
    auto s = std::make_unique<RunState>();
    read_inputs(*s, texts);

    MarkingBuffer b8, b9, b10, b12, b13, b15, b16, bcon, bdiag;
    std::ostream o8(&b8), o9(&b9), o10(&b10), o12(&b12), o13(&b13), o15(&b15), o16(&b16), ocon(&bcon),
        odiag(&bdiag);
    const OutputSinks sinks{&o8, &o9, &o10, &o12, &o13, &o15, &o16, &ocon, &odiag};
    const RunOutcome outcome = run_simulation(*s, sinks);

    ASSERT_EQ(outcome.end, RunEnd::Completed) << outcome.reason;
    ASSERT_GT(b8.bytes, 1000u) << "the output cycle wrote no trace";
    ASSERT_NE(b8.allocationsAtFirstWrite, MarkingBuffer::kUnwritten);
    ASSERT_NE(b13.allocationsAtFirstWrite, MarkingBuffer::kUnwritten);
    EXPECT_EQ(b13.allocationsAtFirstWrite - b8.allocationsAtFirstWrite, 0u)
        << "heap allocations between the trace headers and the summary reports";
}

INSTANTIATE_TEST_SUITE_P(Examples, RunAllocations, ::testing::Values("c1_fixed", "c1_load", "c4_fixed", "c12_fixed"));

#else

TEST(RunAllocations, NotCountedUnderSanitizers) { GTEST_SKIP() << "the sanitizer owns operator new"; }

#endif

}  // namespace
}  // namespace diesel
