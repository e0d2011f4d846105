// case.toml: a whole case in one named, commented file.
//
//   format = 1
//   [operating_point]
//   speed = 2000.0            # SPEED [rpm]
//   ...
//   [start]
//   start_table = "fort14.dat"   # or inline: rows = [[mass, temperature, eqr], ...]
//
// Every key of the item table (case/input_items.hpp) is required except the
// placeholders the model never reads; a key the table does not know, a
// missing key and a value of the wrong type are errors naming file, line and
// key. A real is read from its decimal text with the fort reader's parse_real,
// so it is rounded once, exactly as from fort2.dat; a TOML integer is accepted
// for a real item, an integer item takes only a TOML integer.
//
// Start rows written inline under [start] win; otherwise start_table names the
// file (default "fort14.dat", relative to the case file), which the folder
// loader reads (files/case_inputs.hpp).
//
// The format number is 1. Later versions of the program keep reading format 1
// files; a file of a newer format is refused with a message saying so.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "case/case.hpp"

namespace diesel {

inline constexpr int64_t kCaseFormat = 1;

// Reads the text of a case file; `name` names it in messages ("case.toml",
// "op1/case.toml"). Values are not range-checked here (case_checks.hpp); start
// rows referenced by start_table are not read. Throws InputError.
Case read_case_toml(std::string_view text, const std::string& name);

// The text of a case file for `c`: every key with a comment giving its
// meaning, model name, unit, typical values and accepted range; every value as
// it was written when TOML reads that back to the same value, else its shortest
// exact text. Inline rows are written inline, else start_table names the file.
std::string write_case_toml(const Case& c);

// The tables of a case file in the order it is written, each with what it holds.
struct CaseSection {
    const char* table;  // "operating_point", "start.cylinder_1"
    const char* about;
};
std::span<const CaseSection> case_sections();

// True when the item's key lies directly in `table` (not in a sub-table).
bool in_section(const InputItem& it, std::string_view table);

}  // namespace diesel
