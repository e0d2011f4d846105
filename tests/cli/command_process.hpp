// Runs a program (the built diesel-cycle, cmake, ...) as a child process in a
// chosen folder, with a chosen PATH, and collects its exit status and output.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/robust_binary_run.hpp"

namespace diesel::command_test {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // exit status, or 128 + signal number
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `argv` (argv[0] looked up on the PATH unless it holds a '/') in `dir`.
// `path`, when not empty, replaces PATH for the child.
inline Outcome run_in(const fs::path& dir, const std::vector<std::string>& argv, const std::string& path = "") {
    robust_test::ScratchFolder io;
    const std::string outPath = io.file("stdout");
    const std::string errPath = io.file("stderr");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
        if (!path.empty()) ::setenv("PATH", path.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    Outcome r;
    r.status = robust_test::wait_status(pid);
    r.out = robust_test::read_file(outPath);
    r.err = robust_test::read_file(errPath);
    return r;
}

// The built program with `args`, run in `dir`.
inline Outcome run_program_in(const fs::path& dir, std::vector<std::string> args, const std::string& path = "") {
    args.insert(args.begin(), DIESEL_BINARY);
    return run_in(dir, args, path);
}

inline bool on_path(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        if (::access((dirs.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// A PNG file: its 8-byte signature and more than a few kilobytes of picture.
inline bool is_png_sheet(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) < 20000) return false;
    return robust_test::read_file(file.string()).compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

}  // namespace diesel::command_test
