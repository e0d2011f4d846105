// Atomic replacement of a small text file: the new text through a temporary
// and a rename, an unchanged text not written at all; leftovers of killed
// processes removed in one pass.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli/robust_binary_run.hpp"
#include "files/text_files.hpp"

namespace diesel {
namespace {

using namespace cli_test;

ino_t inode_of(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A rename gives the path a new inode; a file left as it is keeps its own.
TEST(TextFiles, ReplacementWritesOnlyAChangedText) {
    const struct { const char* what; const char* old; const char* text; bool replaced; } cases[] = {
        {"the same text", "1.0 2.0\n", "1.0 2.0\n", false},
        {"the same length, other bytes", "1.0 2.0\n", "1.0 2.5\n", true},
        {"longer", "1.0\n", "1.0 2.0\n", true},
        {"shorter", "1.0 2.0\n", "1.0\n", true},
        {"no file before", nullptr, "1.0\n", true},
    };
    for (const auto& c : cases) {
        Scratch dir;
        const std::string path = dir.file("fort14.dat");
        if (c.old != nullptr) write_file(path, c.old);
        const ino_t before = inode_of(path);
        EXPECT_EQ(replace_file_atomically(path, c.text), "") << c.what;
        EXPECT_EQ(read_file(path), c.text) << c.what;
        EXPECT_EQ(inode_of(path) != before, c.replaced) << c.what;
        EXPECT_FALSE(fs::exists(temporary_name(path))) << c.what;
    }
}

TEST(TextFiles, LeftoverTemporariesOfEveryNameGoInOnePass) {
    Scratch dir;
    const char* leftovers[] = {"fort14.dat.tmp.123", "results.json.tmp.9"};
    const char* kept[] = {"fort14.dat.tmp.", "fort14.dat.tmp.12x", "fort8.dat.tmp.5", "fort14.dat", "traces.csv.tmp"};
    for (const char* name : leftovers) write_file(dir.file(name), "x");
    for (const char* name : kept) write_file(dir.file(name), "x");
    remove_leftover_temporaries(dir.path.string(), {"fort14.dat", "results.json", "traces.csv"});
    for (const char* name : leftovers) EXPECT_FALSE(fs::exists(dir.file(name))) << name;
    for (const char* name : kept) EXPECT_TRUE(fs::exists(dir.file(name))) << name;
}

}  // namespace
}  // namespace diesel
