#include "cli/command_line.hpp"

#include <ostream>
#include <string>

#include "cli/engine_map.hpp"
#include "cli/file_run.hpp"
#include "cli/init_command.hpp"
#include "cli/plot_command.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle [-C DIR]\n"
          "       diesel-cycle --help | --version\n"
          "\n"
          "Simulates the working cycle of a naturally aspirated direct-injection diesel\n"
          "engine from the input files fort3.dat, fort2.dat and fort14.dat in the working\n"
          "folder and writes fort8.dat ... fort16.dat beside them.\n"
          "\n"
          "options:\n"
          "  -C DIR      run in DIR instead of the working folder\n"
          "  --help      show this help and exit\n"
          "  --version   show the version and exit\n"
          "\n"
          "exit status: 0 output cycle completed, 2 bad input or a file error,\n"
          "             3 a stopping rule ended the run early (reason on stderr)\n";
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    // Sub-commands take the rest of the command line.
    if (argc >= 2) {
        const std::string cmd = argv[1];
        if (cmd == "map") return map_command(argc - 1, argv + 1, out, err);
        if (cmd == "init") return init_command(argc - 1, argv + 1, out, err);
        if (cmd == "plot") return plot_command(argc - 1, argv + 1, out, err);
    }
    std::string dir = ".";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(out);
            return 0;
        }
        if (a == "--version") {
            out << "diesel-cycle " << DIESEL_VERSION << '\n';
            return 0;
        }
        if (a == "-C") {
            if (i + 1 >= argc) {
                err << "diesel-cycle: -C needs a folder\n";
                usage(err);
                return kExitFileError;
            }
            dir = argv[++i];
            continue;
        }
        err << "diesel-cycle: unknown argument '" << a << "'\n";
        usage(err);
        return kExitFileError;
    }
    return run_in_folder(dir, out, err);
}

}  // namespace diesel
