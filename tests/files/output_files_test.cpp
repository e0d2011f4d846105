// Output files written over the earlier run's text: the new text whole, never
// a stale tail, the earlier text untouched until the files are closed, and a
// text of megabytes streamed out whole.
#include "files/output_files.hpp"

#include <gtest/gtest.h>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

// A text of `n` bytes whose every line differs, so a misplaced block shows.
std::string text_of(std::size_t n) {
    std::string t;
    for (std::size_t line = 0; t.size() < n; ++line) t += "line " + std::to_string(line) + " of the new run\n";
    t.resize(n);
    return t;
}

TEST(OutputFiles, NewTextReplacesTheEarlierWhole) {
    constexpr OutputName kOne[] = {{"fort13.dat", 13}};
    const struct { std::size_t earlier, now; } cases[] = {
        {0, 200},              // a new file
        {300000, 20},          // a shorter text: the old tail goes
        {5000000, 3000000},    // beyond what is held: streamed
        {100, 0},              // nothing written: an empty file
    };
    for (const auto& c : cases) {
        Scratch dir;
        const std::string path = dir.file("fort13.dat");
        if (c.earlier > 0) write_file(path, std::string(c.earlier, 'o'));
        const std::string now = text_of(c.now);
        OutputFiles files;
        std::string error;
        ASSERT_TRUE(files.open(dir.path.string(), kOne, error)) << error;
        files.stream(0) << now.substr(0, now.size() / 2) << std::flush << now.substr(now.size() / 2);
        if (c.now < (std::size_t{1} << 20)) {
            EXPECT_EQ(read_file(path), std::string(c.earlier, 'o')) << "the earlier text stays until close";
        }
        EXPECT_EQ(files.close(), "");
        EXPECT_EQ(read_file(path), now) << c.earlier << " -> " << c.now;
    }
}

}  // namespace
}  // namespace diesel
