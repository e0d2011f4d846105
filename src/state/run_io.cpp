#include "state/run_io.hpp"

namespace diesel {

const char* run_end_name(RunEnd end) {
    switch (end) {
        case RunEnd::Completed: return "completed";
        case RunEnd::MaxCycles: return "max-cycles";
        case RunEnd::ExhaustEqrLimit: return "exhaust-eqr-limit";
        case RunEnd::FuelLimit: return "fuel-limit";
        case RunEnd::ExhaustPressureLow: return "exhaust-pressure-low";
        case RunEnd::NonFiniteState: return "non-finite-state";
        case RunEnd::NonFiniteResult: return "non-finite-result";
    }
    return "unknown";
}

}  // namespace diesel
