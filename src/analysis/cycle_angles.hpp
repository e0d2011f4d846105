// Where the model's cycle lies on the crank-angle scale of measured traces
// (degrees from firing TDC of cylinder 1, compression negative): its valve
// events, its closed part and its recorded cylinder-1 pressure.
#pragma once

#include <cstdint>
#include <vector>

#include "state/crank_angle.hpp"
#include "state/run_state.hpp"

namespace diesel {

// The closed part of the cycle: intake closing to exhaust opening [deg from
// firing TDC], from IVC and EVO of an input set.
struct ClosedPart {
    double intakeClosing;   // [deg]
    double exhaustOpening;  // [deg]
};
ClosedPart closed_part(const RunState& inputs);

// History entry (1-based, see RunState) that a finished run recorded at
// `angle` [deg from firing TDC], or 0 when its history holds no entry there.
// Entry i belongs to the crank angle ANGST + i*DPHI of the model.
int32_t history_entry(const RunState& run, double angle);

// Cylinder-1 pressure of the last cycle of a finished run, one sample per
// recorded step, as one cycle -180 <= angle < 540.
struct SimulatedPressure {
    std::vector<double> angle;     // [deg from firing TDC], ascending
    std::vector<double> pressure;  // [bar]
};
SimulatedPressure simulated_pressure(const RunState& run);

}  // namespace diesel
