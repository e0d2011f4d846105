#include "analysis/wiebe_inputs.hpp"

#include <memory>

#include "cylinder/combustion.hpp"

namespace diesel {

WiebeInputs wiebe_inputs(const RunState& run, double start, double duration, double exponent) {
    auto s = std::make_unique<RunState>(run);
    // Both laws are proportional to their reference value: evaluated with 1
    // they give the factor. DURC0 is in radians after set-up, as is DURC.
    s->DURC0 = 1.0f;
    combustion_duration(*s);
    s->MWF = 1.0f;  // MWF = MWIEB0 * sqrt(TIDR/TIDR)
    wiebe_exponent(*s);
    WiebeInputs in{};
    in.durationFactor = static_cast<double>(s->DURC);
    in.exponentFactor = static_cast<double>(s->MWIEB);
    in.SOC = -start;
    in.DURC0 = duration / in.durationFactor;
    in.MWIEB0 = exponent / in.exponentFactor;
    return in;
}

}  // namespace diesel
