#include "cli/convert_command.hpp"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "case/case_toml.hpp"
#include "case/fort_files.hpp"
#include "case/input_error.hpp"
#include "cli/command_line.hpp"
#include "files/case_inputs.hpp"
#include "files/text_files.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

void usage(std::ostream& os) {
    os << "usage: diesel-cycle convert [--to toml|fort] [--force] [DIR]\n"
          "\n"
          "Writes the case of the folder DIR (default: the working folder) in the other\n"
          "form, with the same values to the bit:\n"
          "  --to toml  (the default) DIR/case.toml from fort3.dat and fort2.dat; its\n"
          "             start table stays fort14.dat, named by start_table\n"
          "  --to fort  DIR/fort3.dat and DIR/fort2.dat from case.toml, and fort14.dat\n"
          "             when case.toml holds its start rows inline or names another file\n"
          "The input is checked as for a run; a case a run would refuse is not converted.\n"
          "\n"
          "options:\n"
          "  --force    replace files that exist (otherwise nothing is written)\n";
}

// The written files must read back to the case they came from; a difference
// would be a fault of this program, and nothing of it should survive.
void verify(const Case& from, CaseFormat format, const std::string& dir) {
    Case back;
    if (format == CaseFormat::Toml) {
        back = read_case_toml(write_case_toml(from), path_in(dir, kCaseFileName));
    } else {
        back = read_fort_files(fort3_text(from), fort2_text(from));
    }
    back.start = from.start;
    if (first_difference(from, back))
        throw InputError("internal error: the converted files would not read back to the same values");
}

}  // namespace

int convert_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    std::string dir = ".";
    bool haveDir = false, force = false;
    CaseFormat to = CaseFormat::Toml;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--force") {
            force = true;
            continue;
        }
        if (a == "--to" || a.starts_with("--to=")) {
            const std::string value = a == "--to" ? (i + 1 < argc ? argv[++i] : "") : a.substr(5);
            if (value != "toml" && value != "fort") return usage_error(err, "convert", "--to takes toml or fort");
            to = value == "toml" ? CaseFormat::Toml : CaseFormat::Fort;
            continue;
        }
        if (const int status = common_option(a, "convert", usage, out, err); status >= 0) return status;
        if (haveDir || a.empty())
            return usage_error(err, "convert", a.empty() ? "an empty folder name" : "more than one folder");
        dir = a;
        haveDir = true;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        err << "diesel-cycle: convert: " << dir << ": no such folder\n";
        return kExitFileError;
    }

    try {
        CaseInputOptions options;
        options.inputs = to == CaseFormat::Toml ? InputChoice::Fort : InputChoice::Toml;
        const FolderCase folder = load_folder_case(dir, options);
        for (const std::string& w : folder.warnings) err << "diesel-cycle: warning: " << w << '\n';
        verify(folder.c, to, dir);
        const std::vector<std::string> written = write_folder_case(dir, folder.c, to, force);
        std::string names;
        for (std::size_t i = 0; i < written.size(); ++i) names += (i == 0 ? "" : " and ") + written[i];
        out << "wrote " << names << " from "
            << (to == CaseFormat::Toml ? "fort3.dat and fort2.dat" : path_in(dir, kCaseFileName)) << '\n';
    } catch (const InputError& e) {
        err << "diesel-cycle: convert: " << e.what() << '\n';
        return kExitFileError;
    }
    return kExitCompleted;
}

}  // namespace diesel
