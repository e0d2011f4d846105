// Single-zone first-law analysis of the closed part of a cycle: the heat the
// fuel releases, from the measured pressure and the cylinder volume.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/cylinder_gas.hpp"
#include "state/run_state.hpp"

namespace diesel {

// The charge trapped at intake closing.
struct Charge {
    double mass;  // [kg]
    double eqr;   // fuel-air equivalence ratio of its residual gas [-]
};

// The charge a finished model run held at `angle` [deg from firing TDC],
// from its cylinder-1 history. Throws AnalysisError when there is none.
Charge charge_at(const RunState& run, double angle);

struct HeatReleaseOptions {
    // The model's wall heat-transfer law; false gives the apparent heat release.
    bool wallHeat = true;
    // An ideal gas of constant isentropic exponent instead of the model's
    // temperature- and composition-dependent properties: for checks against
    // closed-form cases, not offered on the command line.
    bool constantProperties = false;
    double kappa = 1.35;         // isentropic exponent with constantProperties [-]
    double gasConstant = 287.0;  // gas constant with constantProperties [J/(kg K)], temperature only
};

// Per sample of the cycle; NaN outside the closed part.
struct HeatRelease {
    size_t first = 0;                 // first sample of the closed part
    size_t last = 0;                  // last sample of the closed part
    std::vector<double> temperature;  // mean gas temperature [K]
    std::vector<double> cumulative;   // heat released since `first` [J]
    std::vector<double> rate;         // heat-release rate [J/deg]
    double work = 0.0;                // work of the gas on the piston, first .. last [J]
    double wallHeat = 0.0;            // wall heat into the gas, first .. last [J] (negative: lost)
    double internalEnergyChange = 0.0;  // [J]
};

// Heat released over samples first .. last of `angle` [deg], `pressure` [bar]
// and `volume` [m3]. The energy balance of the closed cylinder, step by step:
//   dQ = d(m u) + p dV - dQwall,
// the work by the trapezoidal rule and m u from the gas state. The fuel enters
// the gas as it burns (dm = dQ / lower heating value), raising mass and
// equivalence ratio as in the model, so each step is solved by fixed-point
// iteration. The temperature is p V / (m R). The wall law's combustion term
// acts from `combustionFrom` [deg] on.
HeatRelease heat_release(const std::vector<double>& angle, const std::vector<double>& pressure,
                         const std::vector<double>& volume, size_t first, size_t last, CylinderGas& gas,
                         const Charge& charge, const HeatReleaseOptions& options, double combustionFrom);

}  // namespace diesel
