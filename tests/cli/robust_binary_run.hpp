// Helpers of the command tests: a scratch folder, an example input set in it,
// and a program run there with its exit status and what it printed.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace diesel::cli_test {

namespace fs = std::filesystem;

// An empty temporary folder, removed with all it holds.
struct Scratch {
    fs::path path;
    Scratch() {
        std::string p = (fs::temp_directory_path() / "diesel-cli-XXXXXX").string();
        path = ::mkdtemp(p.data());
    }
    ~Scratch() { std::error_code ec; fs::remove_all(path, ec); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Name -> bytes of every entry of `dir` (folders as empty texts): whether a run changed anything.
inline std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        files[e.path().filename().string()] = e.is_regular_file() ? read_file(e.path().string()) : "";
    return files;
}

inline void put_example(const fs::path& dir, const std::string& name, const std::vector<test_support::Edit>& edits = {}) {
    const InputTexts t = test_support::edited(test_support::example_texts(name), edits);
    write_file((dir / "fort3.dat").string(), *t.fort3);
    write_file((dir / "fort2.dat").string(), *t.fort2);
    const fs::path table = fs::path(DIESEL_SOURCE_DIR) / "examples" / name / "fort14.dat";
    if (fs::exists(table)) fs::copy_file(table, dir / "fort14.dat");
}

inline bool on_path(const std::string& name) { return std::system(("command -v " + name + " >/dev/null").c_str()) == 0; }

// A tool a test cannot do without: a missing one fails the test and names the
// Debian package that brings it, e.g. ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox")).
inline ::testing::AssertionResult tool_installed(const std::string& tool, const std::string& package) {
    if (on_path(tool)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << tool << " is not installed; this test needs the Debian package " << package
                                         << " (sudo apt-get install " << package
                                         << ", or make as root, which runs tools/ensure-deps.sh)";
}

// The built program with `args`.
inline std::vector<std::string> program(std::vector<std::string> args = {}) {
    args.insert(args.begin(), DIESEL_BINARY);
    return args;
}

// The built program with `args`, then `more` (a test case's own options).
inline std::vector<std::string> program(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return program(std::move(args));
}

// What a child does to itself before it runs the program (limits, another user).
using BeforeExec = std::function<void()>;

// Starts `argv` in `dir`, its standard output and error into the files named.
inline pid_t start(const fs::path& dir, std::vector<std::string> argv, const std::string& out, const std::string& err,
                   const BeforeExec& before = {}) {
    if (const pid_t pid = ::fork(); pid != 0) return pid;
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), e = ::open(err.c_str(), O_WRONLY | O_CREAT, 0644);
    if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
    if (before) before();
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

// Exit status, or 128 + the signal that ended it.
inline int wait_status(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

struct ProgramRun {
    int status;
    std::string out, err;
};

// Runs `argv` in `dir` to its end; `out`, when given, takes the standard output unread.
inline ProgramRun run_in(const fs::path& dir, const std::vector<std::string>& argv, const std::string& out = "",
                         const BeforeExec& before = {}) {
    Scratch io;
    const int status = wait_status(start(dir, argv, out.empty() ? io.file("out") : out, io.file("err"), before));
    return {status, out.empty() ? read_file(io.file("out")) : "", read_file(io.file("err"))};
}

// The example `name` in `dir` as case.toml alone, written by convert; its start
// table stays in fort14.dat.
inline void put_toml_example(const fs::path& dir, const std::string& name) {
    put_example(dir, name);
    EXPECT_EQ(run_in(dir, program({"convert"})).status, 0) << name;
    fs::remove(dir / "fort3.dat");
    fs::remove(dir / "fort2.dat");
}

// A child that runs as an ordinary user, so that file permissions hold for it
// (root passes them all); a no-op when the tests are not run as root. The
// folders it works in must be open to it.
inline void drop_root() {
    if (::geteuid() != 0) return;
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(125);
}

// A folder anyone may use, for runs as an ordinary user.
inline void open_to_all(const fs::path& dir) { fs::permissions(dir, fs::perms::all); }

}  // namespace diesel::cli_test
