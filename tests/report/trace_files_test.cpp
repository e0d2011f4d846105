#include "report/trace_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

namespace diesel {
namespace {

// Titles are right-justified in 25 columns, each followed by a TAB.
TEST(TraceFiles, HeaderBytes) {
    std::ostringstream h8, h9, h10;
    write_trace_headers(h8, h9, h10);
    EXPECT_EQ(h8.str().substr(0, 52), std::string(10, ' ') + "Crank Angle [o]\t" + std::string(24, ' ') + "L\t");
    EXPECT_EQ(h8.str().size(), 12u * 26u + 1u);
    EXPECT_EQ(std::ranges::count(h10.str(), '\t'), 10);
}

// Data fields of 10 characters: fort8 and fort9 separate them by TABs, fort10
// follows each by one. fort9 takes every tenth step, so a cycle gives 720/72/720 lines.
TEST(TraceFiles, DataLinesTabsAndCounts) {
    RunState s{};
    s.NCYL = 1;
    std::ostringstream f8, f9, f10;
    for (s.ISTEP = 1; s.ISTEP <= 720; ++s.ISTEP) write_trace_lines(s, f8, f9, f10);
    const auto tabs_after_fields = [](const std::string& text) {
        const std::string line = text.substr(0, text.find('\n') + 1);
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            if ((line[i] == '\t') != (i % 11 == 10)) return std::size_t{0};
        return line.size();
    };
    EXPECT_EQ(tabs_after_fields(f8.str()), 12u * 11u);  // no TAB before the newline
    EXPECT_EQ(tabs_after_fields(f9.str()), 12u * 11u);
    EXPECT_EQ(tabs_after_fields(f10.str()), 10u * 11u + 1u);
    EXPECT_EQ(std::ranges::count(f8.str(), '\n'), 720);
    EXPECT_EQ(std::ranges::count(f9.str(), '\n'), 72);
    EXPECT_EQ(std::ranges::count(f10.str(), '\n'), 720);
}

}  // namespace
}  // namespace diesel
