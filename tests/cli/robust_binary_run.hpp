// Helpers of the command tests: a scratch folder and its files, the built
// program (or any other) run in a folder with its exit status and what it
// printed, and an in-process command called with its arguments.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
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
    int status = -1;       // exit status, or 128 + signal number
    std::string out, err;  // standard output and error
};

// Starts `argv` (argv[0] looked up on the PATH unless it holds a '/') in
// `dir`; standard output and error go to `outPath` and `errPath` (outside
// `dir`, so they are not among its files). `path`, when not empty, replaces
// PATH for the child.
inline pid_t start(const fs::path& dir, const std::vector<std::string>& argv, const std::string& outPath,
                   const std::string& errPath, const std::string& path = "") {
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
    return pid;
}

inline int wait_status(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Runs `argv` in `dir` to its end; `stdoutPath`, when given, takes the
// standard output in place of ProgramRun::out.
inline ProgramRun run_in(const fs::path& dir, const std::vector<std::string>& argv, const std::string& path = "",
                         const std::string& stdoutPath = "") {
    ScratchFolder io;
    const std::string outPath = stdoutPath.empty() ? io.file("stdout") : stdoutPath;
    ProgramRun r;
    r.status = wait_status(start(dir, argv, outPath, io.file("stderr"), path));
    if (stdoutPath.empty()) r.out = read_file(outPath);
    r.err = read_file(io.file("stderr"));
    return r;
}

// The built program with `args`.
inline std::vector<std::string> program(std::vector<std::string> args = {}) {
    args.insert(args.begin(), DIESEL_BINARY);
    return args;
}

inline ProgramRun run_program(const fs::path& dir, const std::vector<std::string>& args = {},
                              const std::string& stdoutPath = "") {
    return run_in(dir, program(args), "", stdoutPath);
}

// An in-process command, `args` including its argv[0].
using Command = int (*)(int, const char* const*, std::ostream&, std::ostream&);
inline ProgramRun call(Command command, const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = command(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

inline bool on_path(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A PNG file: its 8-byte signature and more than a few kilobytes of picture.
inline bool is_png_sheet(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) < 20000) return false;
    return read_file(file.string()).compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

}  // namespace diesel::robust_test
