// Reading the three input files into the run state.
#pragma once

#include <stdexcept>
#include <string>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

// An input file that is missing, ends inside a record, holds an item that does
// not parse as its type, or holds a value the program cannot run with.
// what() is the complete one-line message, e.g.
//   fort2.dat (unit 2), record 4, item 13 (DPHI): "1.0x" is not a real number
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads "fort3.dat", records 1 to 7 of "fort2.dat", then fills the start table
// (records 8 to 10 of "fort2.dat" interleaved with rows of "fort14.dat"), and
// checks the values the run cannot work with. Throws InputError; on success the
// input set, VOL of both receivers, MASS0/TEMP0/EQR0 of every zone and NZONE
// are filled. Nothing else of the state is touched.
void read_inputs(RunState& s, const InputTexts& texts);

// NCYL of "fort3.dat" when its first record reads, else 0: lets a caller leave
// "fort14.dat" unread for one cylinder, whose run takes no row from it.
int32_t cylinder_count(const std::optional<std::string>& fort3);

}  // namespace diesel
