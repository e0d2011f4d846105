#include "files/run_folder.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/simulation.hpp"
#include "input/input_files.hpp"
#include "report/results_json.hpp"
#include "report/trace_table.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

namespace {


struct OutputFile {
    const char* name;
    int unit;
    std::ofstream stream;
};

// Input files are a few kilobytes; anything beyond this is not one.
constexpr size_t kMaxInputBytes = size_t{64} << 20;

// Directory part of a path, for syncing the rename ("." when there is none).
std::string parent_dir(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string path_in(const std::string& dir, const char* name) {
    if (dir.empty() || dir == ".") return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string write_all(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    return {};
}

bool read_text_file(const std::string& path, std::string& text, std::string& error) {
    error.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        if (errno != ENOENT) error = std::strerror(errno);
        return false;
    }
    text.clear();
    char buf[65536];
    size_t n;
    errno = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        // A link to a device such as /dev/zero must not fill the memory.
        if (text.size() + n > kMaxInputBytes) {
            std::fclose(f);
            error = "larger than 64 MiB, which no input file is";
            return false;
        }
        text.append(buf, n);
    }
    const int readErrno = errno;
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        // A folder of that name, for instance, opens but cannot be read.
        error = readErrno != 0 ? std::strerror(readErrno) : "read error";
        return false;
    }
    return true;
}

std::optional<std::string> read_text_file(const std::string& path) {
    std::string text, error;
    if (!read_text_file(path, text, error)) return std::nullopt;
    return text;
}

std::string replace_file_atomically(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".tmp." + std::to_string(static_cast<long>(::getpid()));
    // A leftover of a killed run with the same process id goes first; O_EXCL
    // then makes sure the text lands in a new file, not through a link.
    ::unlink(tmp.c_str());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return std::string("cannot create ") + tmp + ": " + std::strerror(errno);
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    if (const std::string why = write_all(fd, text); !why.empty()) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return "cannot write " + tmp + ": " + why;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        return "cannot write " + tmp + ": " + why;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        return "cannot replace " + path + ": " + why;
    }
    // Make the rename itself durable; the file is whole either way.
    const int dirFd = ::open(parent_dir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

int run_in_folder(const std::string& dir, std::ostream& console, std::ostream& diag, bool exportResults) {
    // All input is read and checked before any output file is touched.
    InputTexts texts;
    const struct { const char* name; int unit; std::optional<std::string>* slot; } inputs[] = {
        {"fort3.dat", 3, &texts.fort3}, {"fort2.dat", 2, &texts.fort2}, {"fort14.dat", 14, &texts.fort14}};
    for (const auto& in : inputs) {
        std::string text, error;
        if (read_text_file(path_in(dir, in.name), text, error)) {
            *in.slot = std::move(text);
        } else if (!error.empty()) {
            diag << "diesel-cycle: " << in.name << " (unit " << in.unit << "): cannot be read: " << error << '\n';
            return kExitFileError;
        }
    }
    RunState s{};
    try {
        read_inputs(s, texts);
    } catch (const InputError& err) {
        diag << "diesel-cycle: " << err.what() << '\n';
        return kExitFileError;
    }

    OutputFile files[] = {{"fort8.dat", 8, {}},   {"fort9.dat", 9, {}},   {"fort10.dat", 10, {}},
                          {"fort11.dat", 11, {}}, {"fort12.dat", 12, {}}, {"fort13.dat", 13, {}},
                          {"fort15.dat", 15, {}}, {"fort16.dat", 16, {}}};
    for (auto& f : files) {
        f.stream.open(path_in(dir, f.name), std::ios::out | std::ios::trunc | std::ios::binary);
        if (!f.stream) {
            diag << "diesel-cycle: " << f.name << " (unit " << f.unit
                 << "): cannot be opened for writing: " << std::strerror(errno) << '\n';
            return kExitFileError;
        }
    }
    // The export files of an earlier run would otherwise stand beside outputs they do not belong to.
    for (const char* name : {"results.json", "traces.csv"}) {
        if (::unlink(path_in(dir, name).c_str()) != 0 && errno != ENOENT) {
            diag << "diesel-cycle: " << name << ": cannot remove the one of an earlier run: " << std::strerror(errno)
                 << '\n';
            return kExitFileError;
        }
    }
    // The export records the input set as read, before set-up turns units and renews values.
    const std::unique_ptr<const RunState> inputSet = exportResults ? std::make_unique<RunState>(s) : nullptr;
    std::optional<TraceTable> traces;
    if (exportResults) traces.emplace(s.NCYL);
    OutputSinks sinks{&files[0].stream, &files[1].stream, &files[2].stream, &files[4].stream, &files[5].stream,
                      &files[6].stream, &files[7].stream, &console,         &diag,
                      traces ? &*traces : nullptr};
    const RunOutcome outcome = run_simulation(s, sinks);

    int status = outcome.end == RunEnd::Completed ? kExitCompleted : kExitStopped;
    for (auto& f : files) {
        f.stream.flush();
        f.stream.close();
        if (f.stream.fail()) {
            diag << "diesel-cycle: " << f.name << " (unit " << f.unit
                 << "): could not be written completely (disk full or folder not writable?)\n";
            status = kExitFileError;
        }
    }
    console.flush();
    if (outcome.rewritesStartTable && status != kExitFileError) {
        const std::string error = replace_file_atomically(path_in(dir, "fort14.dat"), outcome.startTable);
        if (!error.empty()) {
            diag << "diesel-cycle: fort14.dat (unit 14): " << error << '\n';
            status = kExitFileError;
        }
    }
    if (exportResults && status != kExitFileError) {
        const struct { const char* name; std::string text; } exports[] = {
            {"results.json", results_json(*inputSet, s, outcome)}, {"traces.csv", traces->csv()}};
        for (const auto& e : exports) {
            if (const std::string error = replace_file_atomically(path_in(dir, e.name), e.text); !error.empty()) {
                diag << "diesel-cycle: " << e.name << ": " << error << '\n';
                status = kExitFileError;
                // Both or neither.
                for (const auto& written : exports) ::unlink(path_in(dir, written.name).c_str());
                break;
            }
        }
    }
    // Lost progress lines do not hold back the start table, but the run did
    // not deliver all it should have.
    if (!console) {
        diag << "diesel-cycle: standard output: the progress lines could not be written\n";
        status = kExitFileError;
    }
    if (outcome.end != RunEnd::Completed) {
        diag << "diesel-cycle: " << outcome.reason << '\n';
    }
    return status;
}

}  // namespace diesel
