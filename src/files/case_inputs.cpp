#include "files/case_inputs.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <ostream>
#include <unistd.h>

#include "case/case_checks.hpp"
#include "case/case_toml.hpp"
#include "case/fort_files.hpp"
#include "case/input_error.hpp"
#include "case/run_inputs.hpp"
#include "files/text_files.hpp"

namespace diesel {

namespace {

// The text of `name` in `dir`; nullopt when it does not exist. A file that
// exists but cannot be read is an error naming it as `shown`.
std::optional<std::string> read_input(const std::string& path, const std::string& shown) {
    std::string text, error;
    errno = 0;
    if (read_text_file(path, text, error)) return text;
    if (!error.empty()) throw InputFileError(shown + ": cannot be read: " + error, errno != 0 ? errno : EIO, path);
    return std::nullopt;
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// A start-table path relative to the case file's folder.
std::string beside(const std::string& dir, const std::string& file) {
    return !file.empty() && file.front() == '/' ? file : path_in(dir, file.c_str());
}

// Reads the start rows the case's run needs from its start-table file, unless
// the case holds them inline. NCYL is checked first, since it bounds the rows.
void read_rows(const std::string& dir, Case& c) {
    if (c.start.inlineRows || c.start_rows_needed() == 0) return;
    if (const auto error = item_error(c, Item::NCYL)) throw InputError(*error);
    const std::string file = c.start.file;
    read_start_table(c, read_input(beside(dir, file), file + " (unit 14)"), file);
}

Case read_fort(const std::string& dir) {
    const auto fort3 = read_input(path_in(dir, "fort3.dat"), "fort3.dat (unit 3)");
    const auto fort2 = read_input(path_in(dir, "fort2.dat"), "fort2.dat (unit 2)");
    return read_fort_files(fort3, fort2);
}

Case read_toml(const std::string& dir, const std::optional<std::string>& text) {
    const std::string name = path_in(dir, kCaseFileName);
    if (!text) throw InputError(name + ": file is missing");
    return read_case_toml(*text, name);
}

// Where a value of the comparison was written: "case.toml line 12" or
// "fort3.dat (unit 3), record 1, item 1".
std::string written_at(const Case& c, Item item) {
    const ValueSource& source = c.source(item);
    if (source.kind == ValueSource::Kind::CaseFile) return c.caseFile + " line " + std::to_string(source.line);
    const InputItem& it = item_info(item);
    return (it.fortFile == 3 ? std::string("fort3.dat (unit 3)") : std::string("fort2.dat (unit 2)")) + ", record " +
           std::to_string(it.record) + ", item " + std::to_string(it.position);
}

std::string shown_row(const Case& c, int32_t row) {
    if (static_cast<std::size_t>(row) > c.start.rows.size()) return "missing in " + row_location(c, row, 0);
    const StartRow& r = c.start.rows[static_cast<std::size_t>(row - 1)];
    return "[" + shortest_text(r.mass) + ", " + shortest_text(r.temperature) + ", " + shortest_text(r.eqr) + "] in " +
           row_location(c, row, 0);
}

// Both files must describe one case; the message names the first difference.
void require_same(const Case& toml, const Case& fort) {
    const auto diff = first_difference(toml, fort);
    if (!diff) return;
    std::string what;
    if (diff->item) {
        const Item item = *diff->item;
        const auto plain = [item](const Case& c) {
            const std::string& text = c.source(item).text;
            return !text.empty() ? text
                   : item_info(item).type == ItemType::Real ? shortest_text(c.real(item))
                                                            : std::to_string(c.integer(item));
        };
        what = item_label(item) + " is " + plain(toml) + " (" + written_at(toml, item) + ") but " + plain(fort) +
               " (" + written_at(fort, item) + ")";
    } else {
        what = "start row " + std::to_string(diff->row) + " is " + shown_row(toml, diff->row) + " but " +
               shown_row(fort, diff->row);
    }
    throw InputError(toml.caseFile + " and the fort files describe different cases: " + what +
                     "; choose one with --inputs toml or --inputs fort, or remove the other");
}

// Creates `path`, which must not exist; empty on success, else why not.
std::string create_new(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);
    std::string why = write_all(fd, text);
    if (::close(fd) != 0 && why.empty()) why = std::strerror(errno);
    if (!why.empty()) ::unlink(path.c_str());
    return why;
}

}  // namespace

FolderCase load_folder_case(const std::string& dir, const CaseInputOptions& options) {
    const std::string tomlPath = path_in(dir, kCaseFileName);
    const std::optional<std::string> tomlText =
        options.inputs == InputChoice::Fort ? std::nullopt : read_input(tomlPath, tomlPath);
    const bool fortPresent = exists(path_in(dir, "fort3.dat")) || exists(path_in(dir, "fort2.dat"));

    FolderCase out;
    if (options.inputs == InputChoice::Toml || (options.inputs == InputChoice::Auto && tomlText && !fortPresent)) {
        out.c = read_toml(dir, tomlText);
    } else if (options.inputs == InputChoice::Fort || !tomlText) {
        out.c = read_fort(dir);
    } else {
        // Both: they must agree, start rows included, before any --set.
        const std::string both = " (the folder holds both " + tomlPath +
                                 " and fort files; --inputs toml or --inputs fort picks one)";
        Case toml, fort;
        try {
            toml = read_toml(dir, tomlText);
            fort = read_fort(dir);
            read_rows(dir, toml);
            read_rows(dir, fort);
        } catch (const InputError& e) {
            throw InputError(e.what() + both);
        }
        require_same(toml, fort);
        out.c = std::move(toml);
    }

    if (const std::string error = apply_overrides(out.c, options.overrides); !error.empty()) throw InputError(error);
    read_rows(dir, out.c);
    CaseCheck check = check_case(out.c);
    if (!check.errors.empty()) throw InputError(check.errors.front());
    out.warnings = std::move(check.warnings);
    return out;
}

void read_start_rows(const std::string& dir, Case& c, int32_t cylinders) {
    if (c.start.inlineRows || cylinders <= 1) return;
    Case probe = c;
    probe.set_integer(Item::NCYL, cylinders);
    const std::string file = c.start.file;
    read_start_table(probe, read_input(beside(dir, file), file + " (unit 14)"), file);
    c.start = std::move(probe.start);
}

bool load_folder_inputs(const std::string& dir, const CaseInputOptions& options, RunState& s, std::ostream& diag) {
    try {
        const FolderCase folder = load_folder_case(dir, options);
        load_case(folder.c, s);
        for (const std::string& w : folder.warnings) diag << "diesel-cycle: warning: " << w << '\n';
        return true;
    } catch (const InputError& err) {
        diag << "diesel-cycle: " << err.what() << '\n';
        return false;
    }
}

std::vector<std::string> write_folder_case(const std::string& dir, const Case& c, CaseFormat format, bool force) {
    std::vector<std::pair<std::string, std::string>> files;  // path, text
    if (format == CaseFormat::Toml) {
        files.emplace_back(path_in(dir, kCaseFileName), write_case_toml(c));
    } else {
        files.emplace_back(path_in(dir, "fort3.dat"), fort3_text(c));
        files.emplace_back(path_in(dir, "fort2.dat"), fort2_text(c));
        // The fort files take their start rows from fort14.dat beside them.
        if (c.start.inlineRows || (c.start.loaded && c.start.file != "fort14.dat"))
            files.emplace_back(path_in(dir, "fort14.dat"), start_rows_text(c));
    }
    if (!force) {
        for (const auto& [path, text] : files)
            if (exists(path)) throw InputError(path + " exists; nothing was written (--force replaces it)");
    }
    std::vector<std::string> written;
    for (const auto& [path, text] : files) {
        errno = 0;
        const std::string error = force ? replace_file_atomically(path, text) : create_new(path, text);
        if (!error.empty()) {
            const int errnum = errno != 0 ? errno : EIO;
            // Without --force, what this call created goes again: all or nothing.
            if (!force)
                for (const std::string& p : written) ::unlink(p.c_str());
            throw InputFileError(path + ": cannot be written: " + error, errnum, path);
        }
        written.push_back(path);
    }
    return written;
}

}  // namespace diesel
