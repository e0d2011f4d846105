// Exit statuses of the program, the same for every command; the Python module
// and the study functions that return one use them too.
#pragma once

namespace diesel {

inline constexpr int kExitCompleted = 0;  // the output cycle was completed with a meaningful result
inline constexpr int kExitFileError = 2;  // bad input, or a file that could not be read or written
inline constexpr int kExitStopped = 3;    // a stopping rule, the NaN guard or a non-finite result ended the run

}  // namespace diesel
