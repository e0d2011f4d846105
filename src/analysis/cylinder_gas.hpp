// The cylinder of a case as the model sees it, evaluated at any state: volume
// from the model's kinematics, gas properties from its property functions and
// wall heat from its heat-transfer law. The model's functions work on a run
// state, so this holds a scratch copy of the case's final one.
#pragma once

#include <memory>

#include "cylinder/heat_transfer.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct GasProperties {
    double u;   // specific internal energy [J/kg]
    double cv;  // specific heat at constant volume [J/(kg K)]
    double R;   // gas constant [J/(kg K)]
};

class CylinderGas {
public:
    // `run`: the state at the end of a model run of the case (constants, the
    // coolant-side coefficient it converged to, the coolant temperature in K).
    explicit CylinderGas(const RunState& run);

    // Cylinder-1 volume [m3] at `angle` [deg from firing TDC].
    double volume(double angle);

    // Properties of the cylinder gas at temperature `T` [K] and equivalence ratio `eqr` [-].
    GasProperties properties(double T, double eqr);

    // The reference state of the wall law's combustion term: the cylinder
    // state at intake closing, `p` [Pa], `T` [K], `V` [m3].
    void set_intake_closing(double p, double T, double V);

    // Wall heat flow into the gas [W] (negative: the gas loses heat) with both
    // valves shut at `angle` [deg], pressure `p` [Pa] and temperature `T` [K];
    // `burning`: combustion has started, so the law's combustion term acts.
    double wall_heat(double angle, double p, double T, bool burning);

    // Angular speed [rad/s] and the model's pi, to turn heat flows into heat per degree.
    double omega() const { return static_cast<double>(s_->OMEGA); }
    double pi() const { return static_cast<double>(s_->PI); }

private:
    std::unique_ptr<RunState> s_;
    WallStepConstants w_{};
};

}  // namespace diesel
