// Helpers of the end-to-end tests that run the built program in a scratch
// folder: the folder itself, its files, and the program run with its exit
// status and what it printed.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "test_support.hpp"

#ifndef DIESEL_BINARY
#error "DIESEL_BINARY must name the built program (the build defines it)"
#endif

namespace diesel::robust_test {

namespace fs = std::filesystem;

// A new empty folder under the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "diesel-robust-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Name -> bytes of every regular file in a folder (links by their target's
// bytes, names of sub-folders with an empty text), to tell whether a run
// changed anything.
inline std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        files[name] = entry.is_regular_file() ? read_file(entry.path().string()) : std::string();
    }
    return files;
}

// The input files of an example, edited item by item, written into `dir`.
// A start table, when the example has one, is copied as it is.
inline void put_example(const fs::path& dir, const std::string& example,
                        const std::vector<test_support::Edit>& edits = {}) {
    InputTexts texts = test_support::edited(test_support::example_texts(example), edits);
    write_file((dir / "fort3.dat").string(), *texts.fort3);
    write_file((dir / "fort2.dat").string(), *texts.fort2);
    const fs::path table = fs::path(DIESEL_SOURCE_DIR) / "examples" / example / "fort14.dat";
    if (fs::exists(table)) fs::copy_file(table, dir / "fort14.dat", fs::copy_options::overwrite_existing);
}

struct ProgramRun {
    int status = -1;   // exit status, or 128 + signal number
    std::string out;   // standard output
    std::string err;   // standard error
};

// Starts the program in `dir` with `args`; standard output and error go to
// `outPath` and `errPath` (outside `dir`, so they are not among its files).
inline pid_t start_program(const fs::path& dir, const std::vector<std::string>& args, const std::string& outPath,
                           const std::string& errPath) {
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(DIESEL_BINARY));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(DIESEL_BINARY, argv.data());
        ::_exit(127);
    }
    return pid;
}

inline int wait_status(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    return 128 + WTERMSIG(raw);
}

// Runs the program in `dir` to its end.
inline ProgramRun run_program(const fs::path& dir, const std::vector<std::string>& args = {},
                              const std::string& stdoutPath = "") {
    ScratchFolder io;
    const std::string outPath = stdoutPath.empty() ? io.file("stdout") : stdoutPath;
    ProgramRun r;
    r.status = wait_status(start_program(dir, args, outPath, io.file("stderr")));
    if (stdoutPath.empty()) r.out = read_file(outPath);
    r.err = read_file(io.file("stderr"));
    return r;
}

}  // namespace diesel::robust_test
