// A case: every input value of one run and the start states of its
// cylinders 2 .. NCYL, independent of the files it came from.
//
// A Case is built from the fort texts (case/fort_files.hpp) or from a case.toml
// (case/case_toml.hpp), written back to either, changed item by item (by
// --set, a sweep, an optimiser or the Python module), checked
// (case/case_checks.hpp) and turned into a run's input set
// (case/run_inputs.hpp). Each value remembers where it came from, so that a
// message can name the file, line or record and the value as it was written.
//
// Values are held exactly as the model uses them: a REAL item as a float, an
// INTEGER item as an int32_t. A value from text is rounded once, directly from
// its decimal digits to float, exactly as the fort reader does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/input_items.hpp"

namespace diesel {

// Where a value came from.
struct ValueSource {
    enum class Kind : int8_t {
        Unset,        // never given a value
        FortFile,     // fort3.dat or fort2.dat, at the item's position
        CaseFile,     // a case.toml, at `line`
        CommandLine,  // --set
        Program,      // set through the API (a sweep, the Python module)
    };
    Kind kind = Kind::Unset;
    int32_t line = 0;  // line in the case file (CaseFile), 1-based
    std::string text;  // the value as written; empty when set as a number
};

// Start state of one cylinder (rows of the start table).
struct StartRow {
    float mass;         // [kg]
    float temperature;  // [K]
    float eqr;          // fuel-air equivalence ratio [-]
};

// Start states of cylinders 2 .. NCYL: rows written in the case file, or the
// rows of a start-table file (fort14.dat) that a 1- or 2-cylinder run writes.
struct StartTable {
    std::vector<StartRow> rows;              // row r: cylinder r + 1
    std::vector<std::array<ValueSource, 3>> sources;  // per row: mass, temperature, equivalence ratio
    bool inlineRows = false;                 // rows come from the case file itself ([start] rows)
    std::string file = "fort14.dat";         // else the file they are read from, relative to the case file
    bool loaded = false;                     // rows hold the file's rows (up to the count the run needs)
    int32_t line = 0;                        // line of [start] rows in the case file, when inline
};

class Case {
public:
    Case();  // every item 0 and Unset, start table "fort14.dat" not loaded

    // Typed access; the item must be of that type (std::logic_error otherwise).
    float real(Item item) const;
    int32_t integer(Item item) const;
    // The value of either type as a double (exact for both), for checks and messages.
    double number(Item item) const;

    void set_real(Item item, float value, ValueSource source = {ValueSource::Kind::Program, 0, {}});
    void set_integer(Item item, int32_t value, ValueSource source = {ValueSource::Kind::Program, 0, {}});

    // From a number of either kind, as a sweep or the Python module gives it:
    // a REAL item rounds the double once to float; an INTEGER item takes only a
    // whole number within int32. Returns what is wrong, or an empty string.
    std::string set_number(Item item, double value, ValueSource source = {ValueSource::Kind::Program, 0, {}});

    // From text, the fort way (parse_integer / parse_real): "90", "9.0E1" and
    // "9.0D1" read alike for a REAL item; an INTEGER item takes no point or
    // exponent. `source.text` is set to `text`. Returns what is wrong ("\"1.0x\"
    // is not a real number"), or an empty string.
    std::string set_text(Item item, std::string_view text, ValueSource source);

    const ValueSource& source(Item item) const { return sources_[static_cast<std::size_t>(index_of(item))]; }
    bool is_set(Item item) const { return source(item).kind != ValueSource::Kind::Unset; }

    // Start-table rows a run of this case reads: NCYL - 1 (none for NCYL <= 1).
    int32_t start_rows_needed() const;

    StartTable start;
    std::string caseFile = "case.toml";  // how messages name the case file this case was read from

private:
    std::array<float, kItemCount> reals_{};
    std::array<int32_t, kItemCount> integers_{};
    std::array<ValueSource, kItemCount> sources_{};
};

// The first difference between two cases that would change a run: an item or
// one of the start rows the run reads, compared bit for bit. Empty when they
// describe the same run.
struct CaseDifference {
    std::optional<Item> item;  // the item that differs, or none for a start row
    int32_t row = 0;           // 1-based start row that differs (when !item)
};
std::optional<CaseDifference> first_difference(const Case& a, const Case& b);

// Shortest decimal text that reads back to exactly `v` ("2000.0", "0.00088",
// "1e-05"); always with a point or an exponent, so it reads as a real.
std::string shortest_text(float v);

}  // namespace diesel
