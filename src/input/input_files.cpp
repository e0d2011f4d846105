#include "input/input_files.hpp"

#include "case/fort_files.hpp"
#include "case/run_inputs.hpp"

namespace diesel {

void read_inputs(RunState& s, const InputTexts& texts) {
    load_case(read_fort_case(texts), s);
}

}  // namespace diesel
