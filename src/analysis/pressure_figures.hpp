// Figures of the pressure trace itself: peak pressure, pressure-rise rate and
// indicated mean effective pressures.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/cylinder_gas.hpp"

namespace diesel {

struct PressureFigures {
    double peakPressure = 0.0;       // [bar]
    double peakAngle = 0.0;          // [deg from firing TDC]
    double maxRiseRate = 0.0;        // largest dp/dphi of the closed part [bar/deg]
    double maxRiseRateAngle = 0.0;   // [deg]
    double imepGross = 0.0;          // work of compression and expansion, -180 .. 180 deg, over the swept volume [bar]
    double imepNet = 0.0;            // work of the whole cycle over the swept volume [bar]; NaN unless all 720 deg are covered
};

// From samples `angle` [deg], `pressure` [bar], `volume` [m3] of one cycle
// (`fullCycle`: all 720 deg, wrapping around), the closed part first .. last,
// and the swept volume of one cylinder [m3]. The work is the trapezoidal sum
// of p dV; where an end of an integral falls between samples the pressure is
// interpolated and the volume taken from the cylinder's kinematics. The rise
// rate is the central difference of neighbouring samples.
PressureFigures pressure_figures(const std::vector<double>& angle, const std::vector<double>& pressure,
                                 const std::vector<double>& volume, bool fullCycle, size_t first, size_t last,
                                 double sweptVolume, CylinderGas& gas);

}  // namespace diesel
