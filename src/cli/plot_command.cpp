#include "cli/plot_command.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "cli/command_line.hpp"
#include "state/exit_status.hpp"

extern char** environ;

namespace diesel {

namespace {

namespace fs = std::filesystem;

constexpr const char* kHelperName = "diesel-cycle-plot";
constexpr const char* kInstallHint = "sudo apt-get install gnuplot-nox";

void usage(std::ostream& os) {
    os << "usage: diesel-cycle plot [--z FIGURE[,FIGURE...]] [--full-load FULL-LOAD.csv] [DIR | CSV]...\n"
          "\n"
          "Draws the result sheets with gnuplot. For a run folder (one holding fort8.dat\n"
          "and fort10.dat) it writes DIR/cycle.png: cylinder pressure over crank angle,\n"
          "log p over log V, cylinder temperature, burn rate, wall heat flows, valve\n"
          "areas, valve mass flows, exhaust-receiver pressure and temperature, cylinder\n"
          "mass and equivalence ratio, over -180 .. 540 deg with firing TDC at 0 and\n"
          "gas-exchange TDC at 360. A folder of run folders gets one sheet per run.\n"
          "\n"
          "For a CSV of 'diesel-cycle map' (named, or found in DIR) it writes one sheet\n"
          "per figure beside it, each with its gnuplot script: map.csv gives map-be.png,\n"
          "map-lambda.png, map-tex.png, map-nv.png, map-etai.png and map-pmax.png (and\n"
          "map-be.gp ...). A map over speed and load is a coloured field with labelled\n"
          "contour levels, its best point marked, lines of constant power, pe on the left\n"
          "axis and torque on the right. A sweep of one --vary item is drawn as curves,\n"
          "of two as contours; larger designs and hypercubes as scatter plots of the\n"
          "first two items. Runs that ended without a result are marked, one marker for\n"
          "each way a run can end. A CSV of 'diesel-cycle full-load' gets its full-load\n"
          "sheet, NAME.png. The analysis.csv of 'diesel-cycle analyze' (named, or found\n"
          "in DIR) gets analysis.png and its script analysis.gp. Without arguments it\n"
          "works on the working folder.\n"
          "\n"
          "options:\n"
          "  --z FIGURE[,...]    only the sheets of these figures: be lambda tex nv etai\n"
          "                      pmax pe fuel torque power etab wlam pmax_angle resid\n"
          "  --full-load FILE    bound the speed-load maps by the curve of this CSV of\n"
          "                      'diesel-cycle full-load'\n"
          "\n"
          "Needs gnuplot (Debian: " << kInstallHint << ").\n"
          "exit status: 0 every sheet written, 2 nothing to plot, gnuplot missing or an error\n";
}

// First executable `name` on the PATH, or empty.
std::string find_on_path(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// The helper script: beside the program (build tree and installed bin),
// in the install prefix's libexec, lib or share folder, or in the source tree
// when the program was built in a folder inside it.
std::vector<fs::path> helper_candidates() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path bin = exe.parent_path();
    const fs::path prefix = bin.parent_path();
    return {bin / kHelperName,
            prefix / "libexec" / "diesel-cycle" / kHelperName,
            prefix / "lib" / "diesel-cycle" / kHelperName,
            prefix / "share" / "diesel-cycle" / kHelperName,
            prefix / "tools" / kHelperName};
}

// Runs `argv` with its standard output and error passed on to `out` and
// `err`; returns its exit status, or -1 with `error` set when it cannot run.
int run_forwarding(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::string& error) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (::pipe(errPipe) != 0) {
        error = std::strerror(errno);
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<char*> cargs;
    for (const std::string& a : args) cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (rc != 0) {
        error = std::strerror(rc);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return -1;
    }

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::ostream* sinks[2] = {&out, &err};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->write(buf, n);
                sinks[i]->flush();
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds) {
        if (f.fd >= 0) ::close(f.fd);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = std::strerror(errno);
            return -1;
        }
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    error = "the plot helper was ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

}  // namespace

int plot_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    // The helper reads the options; here they are only told from the paths.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") break;
        if (a == "--z" || a == "--full-load") {
            if (i + 1 >= argc) return usage_error(err, "plot", a + " needs a value");
            ++i;
            continue;
        }
        if (a.starts_with("--z=") || a.starts_with("--full-load=")) continue;
        if (a == "--help" || a == "-h") {
            usage(out);
            return kExitCompleted;
        }
        if (a.size() > 1 && a[0] == '-') return usage_error(err, "plot", "unknown option '" + a + "'");
    }
    if (find_on_path("gnuplot").empty()) {
        err << "diesel-cycle: plot: gnuplot is not installed; install it with:  " << kInstallHint << '\n';
        return kExitFileError;
    }
    if (find_on_path("bash").empty()) {
        err << "diesel-cycle: plot: bash is not installed; the plot helper needs it\n";
        return kExitFileError;
    }
    std::string helper;
    const std::vector<fs::path> candidates = helper_candidates();
    for (const fs::path& c : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(c, ec)) {
            helper = c.string();
            break;
        }
    }
    if (helper.empty()) {
        err << "diesel-cycle: plot: the plot helper " << kHelperName << " was not found (looked in";
        for (const fs::path& c : candidates) err << ' ' << c.parent_path().lexically_normal().string();
        err << "); install the program with its helper (cmake --install, or make install)\n";
        return kExitFileError;
    }

    std::vector<std::string> args{"bash", helper};
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    out.flush();
    err.flush();
    std::string error;
    const int status = run_forwarding(args, out, err, error);
    if (status < 0) {
        err << "diesel-cycle: plot: cannot run " << helper << ": " << error << '\n';
        return kExitFileError;
    }
    return status == 0 ? kExitCompleted : kExitFileError;
}

}  // namespace diesel
