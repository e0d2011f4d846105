#include "study/csv_output.hpp"

#include <ostream>

namespace diesel {

bool CsvOutput::prepare(const std::string& file, std::ostream& err) {
    file_ = file;
    if (file_.empty()) return true;
    std::string error;
    if (pending_.prepare(file_, error)) return true;
    err << "diesel-cycle: " << command_ << ": --csv " << file_ << ": " << error << '\n';
    return false;
}

bool CsvOutput::write(const std::string& csv, std::ostream& out, std::ostream& err) {
    if (file_.empty()) {
        out << csv;
        out.flush();
        if (out) return true;
        err << "diesel-cycle: " << command_
            << ": standard output: the CSV could not be written completely (disk full, or a closed pipe?)\n";
        return false;
    }
    const std::string error = pending_.commit(csv);
    if (error.empty()) return true;
    err << "diesel-cycle: " << command_ << ": --csv " << file_ << ": " << error << '\n';
    return false;
}

}  // namespace diesel
