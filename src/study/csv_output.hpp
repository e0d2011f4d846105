// Where the CSV of a study goes: standard output, or a file that is replaced
// at the end through a temporary made before the first run, so that a
// destination that cannot be written is found before the work and an old CSV
// survives a study that fails.
#pragma once

#include <iosfwd>
#include <string>

#include "files/text_files.hpp"

namespace diesel {

class CsvOutput {
public:
    // `command` names the study in messages ("map", "full-load").
    explicit CsvOutput(std::string command) : command_(std::move(command)) {}

    // `file` empty: standard output. False, with a message on `err`, when the
    // file cannot be written.
    bool prepare(const std::string& file, std::ostream& err);

    // Writes the whole CSV; false, with a message on `err`, when it could not
    // be written completely.
    bool write(const std::string& csv, std::ostream& out, std::ostream& err);

private:
    std::string command_;
    std::string file_;
    PendingReplacement pending_;
};

}  // namespace diesel
