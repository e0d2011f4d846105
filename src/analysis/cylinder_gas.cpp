#include "analysis/cylinder_gas.hpp"

#include "cylinder/gas_properties.hpp"
#include "driver/kinematics.hpp"

namespace diesel {

CylinderGas::CylinderGas(const RunState& run) : s_(std::make_unique<RunState>(run)) {}

double CylinderGas::volume(double angle) {
    // Cylinder 1 runs at PHI itself: the firing interval does not enter.
    s_->PHI = static_cast<float>(angle);
    cylinder_kinematics(*s_, 1, 720.0f);
    return static_cast<double>(s_->VOL[1]);
}

GasProperties CylinderGas::properties(double T, double eqr) {
    s_->TEMP[1] = static_cast<float>(T);
    s_->EQR[1] = static_cast<float>(eqr);
    gas_properties(*s_);
    return {static_cast<double>(s_->UGAS[1]), static_cast<double>(s_->CVGAS[1]), static_cast<double>(s_->RGAS[1])};
}

void CylinderGas::set_intake_closing(double p, double T, double V) {
    s_->PIVC = static_cast<float>(p);
    s_->TIVC = static_cast<float>(T);
    s_->VIVC = static_cast<float>(V);
}

double CylinderGas::wall_heat(double angle, double p, double T, bool burning) {
    RunState& s = *s_;
    s.PHI = static_cast<float>(angle);
    cylinder_kinematics(s, 1, 720.0f);
    s.AINL[1] = 0.0f;
    s.AEXH[1] = 0.0f;
    s.ASOC[1] = burning ? 0.0f : -1.0f;  // only the sign counts
    wall_step_constants(s, w_);
    s.PRES[1] = static_cast<float>(p);
    s.TEMP[1] = static_cast<float>(T);
    // Every cylinder of the state is evaluated; only cylinder 1's flows are read.
    WallPowers powers;
    cylinder_heat_transfer(s, w_, powers);
    return static_cast<double>(s.QWALL[1]);
}

}  // namespace diesel
