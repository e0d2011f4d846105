#include "cli/command_line.hpp"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/analyze_command.hpp"
#include "cli/calibrate_command.hpp"
#include "cli/case_options.hpp"
#include "cli/convert_command.hpp"
#include "cli/full_load_command.hpp"
#include "cli/init_command.hpp"
#include "cli/map_command.hpp"
#include "cli/optimize_command.hpp"
#include "cli/plot_command.hpp"
#include "cli/run_command.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle [-C DIR] [--export] [--set NAME=VALUE]... [--inputs toml|fort]\n"
          "       diesel-cycle init [--fort] [--set NAME=VALUE]... [DIR]\n"
          "       diesel-cycle convert [--to toml|fort] [--force] [DIR]\n"
          "       diesel-cycle plot [--z FIGURE[,...]] [--full-load FL.csv] [DIR | CSV]...\n"
          "       diesel-cycle map BASE [--speeds GRID] [--loads GRID] [--vary NAME=V]... [options]\n"
          "       diesel-cycle map --collect DIR | --point DIR\n"
          "       diesel-cycle full-load BASE [--speeds GRID] (--min|--max FIG=V)... [options]\n"
          "       diesel-cycle optimize BASE --vary NAME=LO:HI ... --minimize|--maximize FIG [options]\n"
          "       diesel-cycle analyze CASE --pressure FILE [options]\n"
          "       diesel-cycle calibrate CASE --pressure FILE [options]\n"
          "       diesel-cycle --help | --version\n"
          "\n"
          "Simulates the working cycle of a naturally aspirated direct-injection diesel\n"
          "engine from the case in the working folder (case.toml, or the fort files\n"
          "fort3.dat and fort2.dat; fort14.dat holds the start states of cylinders 2 ..)\n"
          "and writes fort8.dat ... fort16.dat beside them; with one or two\n"
          "cylinders it also rewrites fort14.dat, the start table of a later run with\n"
          "more cylinders.\n"
          "\n"
          "options:\n"
          "  -C DIR      run in DIR instead of the working folder\n"
          "  --export    also write results.json (every figure at full precision, how\n"
          "              the run ended, the balances, the input set) and traces.csv\n"
          "              (every step of the output cycle, all cylinders and receivers);\n"
          "              a run without it removes those of an earlier run\n"
          "  --set NAME=VALUE\n"
          "              run with one input changed, by model name (SPEED) or case.toml\n"
          "              key (operating_point.speed); repeatable; no file is changed\n"
          "  --inputs toml|fort\n"
          "              which input files to read when the folder holds both\n"
          "  -h, --help  show this help and exit\n"
          "  --version   show the version and exit\n"
          "\n"
          "commands:\n"
          "  init [DIR]  write a commented case.toml (a 1-cylinder example at 2000 rpm; with\n"
          "              --fort: fort3.dat and fort2.dat) into DIR (default: the working\n"
          "              folder), creating DIR if needed; overwrites nothing\n"
          "  convert [DIR]\n"
          "              write DIR/case.toml from the fort files, or with --to fort the\n"
          "              fort files from case.toml; overwrites nothing without --force\n"
          "  plot [DIR | CSV]...\n"
          "              draw the result sheets with gnuplot: DIR/cycle.png from the\n"
          "              trace files of a run, one per run folder; MAP-be.png,\n"
          "              MAP-lambda.png ... from the CSV of a map or sweep, the full-load\n"
          "              sheet from a full-load CSV, analysis.png from an analysis; see\n"
          "              'diesel-cycle plot --help'\n"
          "  map BASE ...\n"
          "              run an engine map or a sweep: many operating points, speeds and\n"
          "              loads, any input item varied (--vary) or a Latin hypercube\n"
          "              (--lhs), one CSV line each; see 'diesel-cycle map --help'\n"
          "  full-load BASE --speeds ... --min lambda=1.4 --max pmax=150 ...\n"
          "              the largest fuel quantity per speed that meets limits on the\n"
          "              figures; see 'diesel-cycle full-load --help'\n"
          "  optimize BASE --vary NAME=LO:HI ... --minimize be ...\n"
          "              the input values within ranges that give the best figure,\n"
          "              within limits; see 'diesel-cycle optimize --help'\n"
          "  analyze CASE --pressure FILE ...\n"
          "              heat-release analysis of a measured pressure trace and the\n"
          "              model's Wiebe law fitted to it; see 'diesel-cycle analyze --help'\n"
          "  calibrate CASE --pressure FILE ...\n"
          "              adjust inputs of the case until its cylinder pressure matches the\n"
          "              measured trace; see 'diesel-cycle calibrate --help'\n"
          "\n"
          "exit status: 0 output cycle completed with finite figures, 2 bad input, a file\n"
          "             error or a usage error, 3 a stopping rule ended the run early, or\n"
          "             its figures are not finite numbers (reason on stderr); each command's\n"
          "             help gives its own\n"
          "\n"
          "Reference documentation: share/doc/diesel-cycle in the install prefix\n"
          "(docs/ in the source tree).\n";
}

bool is_command(const std::string& a) {
    return a == "init" || a == "plot" || a == "map" || a == "full-load" || a == "optimize" || a == "analyze" ||
           a == "calibrate" || a == "convert";
}

}  // namespace

int usage_error(std::ostream& err, std::string_view command, std::string_view what) {
    const std::string prefix = command.empty() ? std::string() : std::string(command) + ": ";
    const std::string help = command.empty() ? std::string() : std::string(command) + " ";
    err << "diesel-cycle: " << prefix << what << " (see diesel-cycle " << help << "--help)\n";
    return kExitFileError;
}

int case_option_error(std::ostream& err, std::string_view command, std::string_view what) {
    err << "diesel-cycle: " << (command.empty() ? std::string() : std::string(command) + ": ") << what << '\n';
    return kExitFileError;
}

int common_option(const std::string& arg, const char* command, void (*usage)(std::ostream&), std::ostream& out,
                  std::ostream& err) {
    if (arg == "--help" || arg == "-h") {
        usage(out);
        return kExitCompleted;
    }
    if (arg.size() > 1 && arg[0] == '-') return usage_error(err, command, "unknown option '" + arg + "'");
    return -1;
}

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    // Sub-commands take the rest of the command line.
    if (argc >= 2) {
        const std::string cmd = argv[1];
        if (cmd == "map") return map_command(argc - 1, argv + 1, out, err);
        if (cmd == "full-load") return full_load_command(argc - 1, argv + 1, out, err);
        if (cmd == "optimize") return optimize_command(argc - 1, argv + 1, out, err);
        if (cmd == "init") return init_command(argc - 1, argv + 1, out, err);
        if (cmd == "plot") return plot_command(argc - 1, argv + 1, out, err);
        if (cmd == "analyze") return analyze_command(argc - 1, argv + 1, out, err);
        if (cmd == "calibrate") return calibrate_command(argc - 1, argv + 1, out, err);
        if (cmd == "convert") return convert_command(argc - 1, argv + 1, out, err);
    }
    std::string dir = ".";
    CaseInputOptions caseOptions;
    bool exportResults = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (const OptionTaken taken = take_case_option(argc, argv, i, caseOptions, error); taken != OptionTaken::No) {
            if (taken == OptionTaken::Yes) continue;
            return case_option_error(err, "", error);
        }
        if (a == "--export") {
            exportResults = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            usage(out);
            return kExitCompleted;
        }
        if (a == "--version") {
            out << "diesel-cycle " << DIESEL_VERSION << '\n';
            return kExitCompleted;
        }
        if (a == "-C" || (a.size() > 2 && a.compare(0, 2, "-C") == 0)) {
            if (a.size() > 2) {
                dir = a.substr(2);
            } else if (i + 1 < argc) {
                dir = argv[++i];
            } else {
                return usage_error(err, "", "-C needs a folder");
            }
            continue;
        }
        if (is_command(a))
            return usage_error(err, "", "unknown argument '" + a + "': a command comes first, diesel-cycle " + a + " ...");
        return usage_error(err, "", "unknown argument '" + a + "'");
    }
    // A missing folder would otherwise surface as a missing fort3.dat.
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        err << "diesel-cycle: -C " << dir << ": no such folder\n";
        return kExitFileError;
    }
    return run_in_folder(dir, out, err, caseOptions, exportResults);
}

}  // namespace diesel
