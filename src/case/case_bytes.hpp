// A case as bytes and back: every value to the bit, where each came from and
// the start table, so that a copy made in another process (a Python pickle
// sent to a worker) runs and names its values in messages as the original does.
#pragma once

#include <string>
#include <string_view>

#include "case/case.hpp"

namespace diesel {

std::string case_to_bytes(const Case& c);

// Throws InputError for bytes case_to_bytes of this version did not write.
Case case_from_bytes(std::string_view bytes);

}  // namespace diesel
