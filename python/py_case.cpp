#include "py_case.hpp"

#include <cerrno>
#include <filesystem>

#include "files/run_folder.hpp"
#include "case/run_inputs.hpp"

namespace diesel::python {

PyCase case_from_folder(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) throw FileError(ENOENT, "no such folder", path);
    PyCase c;
    const struct { const char* name; std::optional<std::string>* slot; } files[] = {
        {"fort3.dat", &c.texts.fort3}, {"fort2.dat", &c.texts.fort2}, {"fort14.dat", &c.texts.fort14}};
    for (const auto& f : files) {
        std::string text, error;
        errno = 0;
        if (read_text_file(path_in(path, f.name), text, error)) {
            *f.slot = std::move(text);
        } else if (!error.empty()) {
            throw FileError(errno != 0 ? errno : EIO, "cannot be read: " + error, path_in(path, f.name));
        }
    }
    read_case(c);  // refuse what the program would refuse, now rather than at the run
    return c;
}

void case_to_folder(const PyCase& c, const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) throw FileError(ec.value(), "cannot create the folder: " + ec.message(), path);
    const struct { const char* name; const std::optional<std::string>& text; } files[] = {
        {"fort3.dat", c.texts.fort3}, {"fort2.dat", c.texts.fort2}, {"fort14.dat", c.texts.fort14}};
    for (const auto& f : files) {
        if (!f.text) continue;
        const std::string error = replace_file_atomically(path_in(path, f.name), *f.text);
        if (!error.empty()) throw FileError(EIO, error, path_in(path, f.name));
    }
}

std::unique_ptr<RunState> read_case(const PyCase& c) {
    auto s = std::make_unique<RunState>();
    read_inputs(*s, c.texts);
    return s;
}

}  // namespace diesel::python
