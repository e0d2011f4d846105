#include "study/study_base.hpp"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "case/input_error.hpp"

namespace diesel {

std::optional<Case> load_study_base(const std::string& command, const std::string& dir,
                                    const CaseInputOptions& options, const std::vector<SweptItem>& swept,
                                    int32_t cylinders, std::ostream& err) {
    const std::string where = "diesel-cycle: " + command + ": ";
    // --set of a swept item is refused before the folder is read.
    Case probe;
    if (const std::string error = apply_overrides(probe, options.overrides, swept); !error.empty()) {
        err << where << error << '\n';
        return std::nullopt;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        err << where << "base folder " << dir << ": no such folder\n";
        return std::nullopt;
    }
    try {
        FolderCase folder = load_folder_case(dir, options);
        if (cylinders > folder.c.integer(Item::NCYL)) read_start_rows(dir, folder.c, cylinders);
        for (const std::string& w : folder.warnings) err << "diesel-cycle: warning: " << w << '\n';
        return std::move(folder.c);
    } catch (const InputError& e) {
        err << where << "base folder " << dir << ": " << e.what() << '\n';
        return std::nullopt;
    }
}

}  // namespace diesel
