#include "cli/init_command.hpp"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "case/case_checks.hpp"
#include "case/example_case.hpp"
#include "case/input_error.hpp"
#include "cli/case_options.hpp"
#include "cli/command_line.hpp"
#include "files/case_inputs.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle init [--fort] [--set NAME=VALUE]... [DIR]\n"
          "\n"
          "Writes a commented case.toml into DIR (default: the working folder), creating\n"
          "DIR if needed: a 1-cylinder example at 2000 rpm with a fixed fuel quantity,\n"
          "every key explained with its unit and typical values. --set changes an item\n"
          "of it first (by model name, SPEED, or case.toml key, operating_point.speed),\n"
          "so that the case starts from your own engine.\n"
          "\n"
          "options:\n"
          "  --fort           write fort3.dat and fort2.dat instead, every line naming its\n"
          "                   items and units after a '!'\n"
          "  --set NAME=VALUE change one input item (repeatable)\n"
          "\n"
          "A folder that already holds case.toml or fort files is refused: nothing is\n"
          "written and the exit status is 2.\n";
}

}  // namespace

int init_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    std::string dir = ".";
    bool haveDir = false;
    bool fort = false;
    CaseInputOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (const OptionTaken taken = take_case_option(argc, argv, i, options, error, false);
            taken != OptionTaken::No) {
            if (taken == OptionTaken::Yes) continue;
            return case_option_error(err, "init", error);
        }
        if (a == "--fort") {
            fort = true;
            continue;
        }
        if (const int status = common_option(a, "init", usage, out, err); status >= 0) return status;
        if (haveDir || a.empty())
            return usage_error(err, "init", a.empty() ? "an empty folder name" : "more than one folder");
        dir = a;
        haveDir = true;
    }

    // The case first: a --set the run could not use writes nothing.
    Case c = example_case();
    if (const std::string error = apply_overrides(c, options.overrides); !error.empty()) {
        err << "diesel-cycle: init: " << error << "; nothing was written\n";
        return kExitFileError;
    }
    const CaseCheck check = check_case(c);
    if (!check.errors.empty()) {
        err << "diesel-cycle: init: " << check.errors.front() << "; nothing was written\n";
        return kExitFileError;
    }

    // A folder that holds a case already is left alone, even a broken link of one.
    std::error_code ec;
    for (const char* name : {kCaseFileName, "fort3.dat", "fort2.dat", "fort14.dat"}) {
        const std::string path = path_in(dir, name);
        const std::filesystem::file_type type = std::filesystem::symlink_status(path, ec).type();
        if (type == std::filesystem::file_type::none) {
            err << "diesel-cycle: init: cannot look at " << path << ": " << ec.message() << "; nothing was written\n";
            return kExitFileError;
        }
        if (type != std::filesystem::file_type::not_found) {
            err << "diesel-cycle: init: " << path << " exists; init overwrites nothing, so nothing was written "
                << "(remove it or choose another folder)\n";
            return kExitFileError;
        }
    }
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "diesel-cycle: init: cannot create the folder " << dir << ": " << ec.message() << '\n';
        return kExitFileError;
    }
    std::vector<std::string> written;
    try {
        written = write_folder_case(dir, c, fort ? CaseFormat::Fort : CaseFormat::Toml, false);
    } catch (const InputError& e) {
        err << "diesel-cycle: init: " << e.what() << '\n';
        return kExitFileError;
    }
    for (const std::string& w : check.warnings) err << "diesel-cycle: warning: " << w << '\n';

    std::string names;
    for (std::size_t i = 0; i < written.size(); ++i) names += (i == 0 ? "" : " and ") + written[i];
    out << "wrote " << names << ": "
        << (options.overrides.empty() ? "a 1-cylinder operating point at 2000 rpm with a fixed fuel quantity"
                                      : "the 1-cylinder example with your changes")
        << '\n';
    if (c.start_rows_needed() > 0)
        out << "NCYL " << c.integer(Item::NCYL) << " needs the start states of cylinders 2 .. " << c.integer(Item::NCYL)
            << " in fort14.dat: run a 1-cylinder case with NCYLE " << c.integer(Item::NCYL) << " there first\n";
    out << "run it with:   diesel-cycle" << (dir == "." ? std::string() : " -C " + dir) << '\n'
        << "then plot it:  diesel-cycle plot" << (dir == "." ? std::string() : " " + dir) << '\n';
    return kExitCompleted;
}

}  // namespace diesel
