// libFuzzer target over the input reader: any bytes, split into the three
// input files, must either read into a state the run can work with or give
// one input-error line naming the file, and never leave a half-read state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "case/fort_files.hpp"
#include "case/run_inputs.hpp"
#include "split_input.hpp"
#include "state/run_state.hpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool positive(float v) { return v > 0.0f; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace diesel;
    const InputTexts texts = fuzz::split_input(data, size);
    static const RunState zero{};  // const: no state carried between inputs
    auto s = std::make_unique<RunState>();
    try {
        read_inputs(*s, texts);
    } catch (const InputError& err) {
        // One line that names the input file it is about.
        const std::string message = err.what();
        require(message.rfind("fort3.dat (unit 3)", 0) == 0 || message.rfind("fort2.dat (unit 2)", 0) == 0 ||
                message.rfind("fort14.dat (unit 14)", 0) == 0);
        require(message.find('\n') == std::string::npos);
        // A refused input leaves the state as it was.
        require(std::memcmp(s.get(), &zero, sizeof zero) == 0);
        return 0;
    }
    // The early look at fort3.dat, which decides whether fort14.dat is read at all, agrees.
    require(fort3_cylinder_count(texts.fort3) == s->NCYL);
    // What the run indexes with, and divides by, was checked.
    require(s->NCYL >= 1 && s->NCYL <= kMaxCylinders);
    require(s->NZONE == s->NCYL + 2);
    require(s->DPHI >= 720.0f / 821.0f && s->DPHI <= 1.0f);
    require(s->IVC - 540.0f >= 1.0f && s->IVC - 540.0f < 822.0f);
    require(positive(s->EQR0[s->NCYL + 2]));
    for (int32_t k = 1; k <= s->NZONE; ++k) require(positive(s->MASS0[k]) && positive(s->TEMP0[k]));
    if (s->NCYL <= 2) require(s->NCYLE >= 0 && s->NCYLE <= 720);
    return 0;
}
