// The fort files of a case: "fort3.dat" (the operating point), "fort2.dat"
// (ten records: engine, model constants, run control, start states of
// cylinder 1 and the receivers) and the start table "fort14.dat" (start states
// of cylinders 2 .. NCYL), read into a Case and written from one.
//
// Reading is free-format (input/free_format.hpp) with the record layouts of
// the item table; every failure names file, unit, record or row, and item:
//   fort2.dat (unit 2), record 4, item 13 (DPHI): "1.0x" is not a real number
#pragma once

#include <optional>
#include <string>

#include "case/case.hpp"
#include "state/run_io.hpp"

namespace diesel {

// Reads "fort3.dat" and the ten records of "fort2.dat" (nullopt: the file is
// missing). Every value keeps its text. No value is checked here beyond its
// type (see case_checks.hpp); the start rows are not read. Throws InputError.
Case read_fort_files(const std::optional<std::string>& fort3, const std::optional<std::string>& fort2);

// Reads the start rows a run of `c` needs (NCYL - 1) from `text`, the text of
// the start-table file `fileName` (nullopt: missing); rows beyond them are not
// read. Sets c.start.file, .rows and .loaded. Throws InputError.
void read_start_table(Case& c, const std::optional<std::string>& text, const std::string& fileName);

// NCYL of "fort3.dat" when its record reads, else 0: lets a caller leave
// "fort14.dat" unread for one cylinder, whose run takes no row from it.
int32_t fort3_cylinder_count(const std::optional<std::string>& fort3);

// Both, as a run reads its fort files: "fort3.dat", "fort2.dat", then (NCYL
// checked, since it bounds the rows) the rows of "fort14.dat". Throws InputError.
Case read_fort_case(const InputTexts& texts);

// The texts of "fort3.dat" and "fort2.dat" for a case: one record per line,
// each value as it was written when that reads back to the same value (else
// its shortest exact text), and after a '!' the names and units of the items.
std::string fort3_text(const Case& c);
std::string fort2_text(const Case& c);

// The start rows of a case as "fort14.dat" holds them: one row per line.
std::string start_rows_text(const Case& c);

}  // namespace diesel
