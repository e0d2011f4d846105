// From an effective Wiebe burn (start, duration, exponent) back to the model's
// inputs SOC, DURC0 and MWIEB0, through its own duration and exponent laws.
#pragma once

#include "state/run_state.hpp"

namespace diesel {

struct WiebeInputs {
    double SOC;             // start of combustion before firing TDC [deg]
    double DURC0;           // reference combustion duration [deg]
    double MWIEB0;          // reference Wiebe shape exponent [-]
    double durationFactor;  // DURC / DURC0 of the duration law at the operating state [-]
    double exponentFactor;  // MWIEB / MWIEB0 of the exponent law at the operating state [-]
};

// The inputs that give the burn `start` [deg from firing TDC], `duration`
// [deg] and `exponent` [-] at the operating state of `run` (a finished model
// run of the case): the model's duration and exponent laws evaluated there,
// with a reference value of 1, give the factors the inputs are divided by.
WiebeInputs wiebe_inputs(const RunState& run, double start, double duration, double exponent);

}  // namespace diesel
