// The first-law analysis against known answers: a closed-form ideal-gas
// trace, a motored trace, and model runs with known Wiebe inputs.
#include "analysis/pressure_analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "analysis/analysis_support.hpp"

namespace diesel {
namespace {

using namespace analysis_test;

// A Wiebe heat release of 1000 J (the model's law, not scaled) with start,
// duration and exponent as below.
constexpr double kQ = 1000.0, kStart = -8.0, kDuration = 50.0, kExponent = 1.5;

double released(double a) {
    const double y = std::clamp((a - kStart) / kDuration, 0.0, 1.0);
    return kQ * (1.0 - std::exp(-6.9 * std::pow(y, kExponent + 1.0)));
}
double release_rate(double a) {  // [J/deg]
    const double y = (a - kStart) / kDuration;
    if (y <= 0.0 || y > 1.0) return 0.0;
    return kQ * 6.9 * (kExponent + 1.0) * std::pow(y, kExponent) * std::exp(-6.9 * std::pow(y, kExponent + 1.0)) / kDuration;
}

TEST(PressureAnalysis, ConstantKappaTraceGivesBackItsHeatRelease) {
    const AnalysisCase c = c1_case();
    const RunState& g = *c.inputs;
    // Slider-crank volume of the case, in double, independent of the model's.
    const double area = std::numbers::pi / 4.0 * g.BORE * g.BORE, r = g.STROKE / 2.0, l = g.CONROD;
    const double vc = g.STROKE * area / (g.CR - 1.0);
    const double toRad = std::numbers::pi / 180.0;
    auto volume = [&](double a) {
        const double s = std::sin(a * toRad);
        return vc + area * (r * (1.0 - std::cos(a * toRad)) + l - std::sqrt(l * l - r * r * s * s));
    };
    auto dvolume = [&](double a) {  // [m3/deg]
        const double s = std::sin(a * toRad), co = std::cos(a * toRad);
        return area * (r * s + r * r * s * co / std::sqrt(l * l - r * r * s * s)) * toRad;
    };
    // dp/dphi of an ideal gas of constant kappa with heat added, RK4 in steps of 0.01 deg.
    const double kappa = 1.35;
    auto dp = [&](double a, double p) { return ((kappa - 1.0) * release_rate(a) - kappa * p * dvolume(a)) / volume(a); };
    std::vector<double> angle, pressure;
    double p = 1.0e5;
    for (int i = 0; i <= 36000; ++i) {
        const double a = -180.0 + 0.01 * i;
        if (i % 10 == 0) {
            angle.push_back(-180.0 + 0.1 * (i / 10));
            pressure.push_back(p / 1.0e5);
        }
        const double h = 0.01;
        const double k1 = dp(a, p), k2 = dp(a + h / 2, p + h / 2 * k1), k3 = dp(a + h / 2, p + h / 2 * k2), k4 = dp(a + h, p + h * k3);
        p += h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
    }

    AnalysisOptions o;
    o.heat.constantProperties = true;
    o.heat.kappa = kappa;
    o.heat.wallHeat = false;
    const AnalysisResult res = analyse_pressure(c, trace_of(angle, pressure), o);
    ASSERT_NEAR(angle[res.heat.first], -144.0, 1e-9);  // intake closing of the case
    double worst = 0.0;
    for (size_t i = res.heat.first; i <= res.heat.last; ++i)
        worst = std::max(worst, std::fabs(res.heat.cumulative[i] - released(angle[i])));
    EXPECT_LT(worst, 0.005 * kQ);
    // The burnt fraction is the model's law itself: the fit finds it.
    ASSERT_TRUE(res.fitted);
    EXPECT_NEAR(res.fit.start, kStart, 0.05);
    EXPECT_NEAR(res.fit.duration, kDuration, 0.05);
    EXPECT_NEAR(res.fit.exponent, kExponent, 0.01);
    EXPECT_LT(res.fit.rms, 1e-3);
}

TEST(PressureAnalysis, MotoredTraceReleasesNoHeat) {
    const AnalysisCase c = c1_case();
    const SimulatedPressure motored = simulated(c, [](RunState& s) { s.FUEL = 0.0f; });
    const AnalysisResult r = analyse_pressure(c, trace_of(motored.angle, motored.pressure), {});
    for (size_t i = r.heat.first; i <= r.heat.last; ++i)
        ASSERT_LT(std::fabs(r.heat.cumulative[i]), 0.02 * c.fuelEnergy) << "at " << r.cycle.angle[i];
    EXPECT_FALSE(r.burn.combustion);
    EXPECT_TRUE(std::isnan(r.burn.start));
    EXPECT_FALSE(r.fitted);
}

TEST(PressureAnalysis, ModelTracesGiveBackTheirWiebeInputs) {
    const AnalysisCase c = c1_case();
    const struct {
        float soc, durc0, mwieb0;
    } cases[] = {{6.0f, 75.0f, 0.8f}, {10.0f, 60.0f, 1.2f}, {2.0f, 90.0f, 0.5f}};
    for (const auto& w : cases) {
        const SimulatedPressure sim = simulated(c, [&](RunState& s) {
            s.SOC = w.soc;
            s.DURC0 = w.durc0;
            s.MWIEB0 = w.mwieb0;
        });
        const AnalysisResult r = analyse_pressure(c, trace_of(sim.angle, sim.pressure), {});
        ASSERT_TRUE(r.fitted);
        // A steep start (small exponent) is integrated by the model's 1-degree
        // trapezoidal steps into a slightly later, rounder one.
        EXPECT_NEAR(r.inputs.SOC, w.soc, 0.2) << w.soc;
        EXPECT_NEAR(r.inputs.DURC0, w.durc0, 0.005 * w.durc0) << w.soc;
        EXPECT_NEAR(r.inputs.MWIEB0, w.mwieb0, 0.015 * w.mwieb0) << w.soc;
        // The model burns 1 - e^-6.9 of the fuel.
        const double unaccounted = r.fuelEnergy * std::exp(-6.9) + r.fuelEnergy - r.heat.cumulative[r.heat.last];
        EXPECT_LT(std::fabs(unaccounted), 0.005 * r.fuelEnergy) << w.soc;
    }

    // The case's own trace: its work, and less heat released when the walls are left out.
    const SimulatedPressure own = simulated_pressure(*c.run);
    const AnalysisResult r = analyse_pressure(c, trace_of(own.angle, own.pressure), {});
    const double modelImep = static_cast<double>(c.run->WORK / (c.run->VH / c.run->FNCYL)) / 1.0e5;
    EXPECT_NEAR(r.pressure.imepNet, modelImep, 1e-3 * modelImep);
    AnalysisOptions apparent;
    apparent.heat.wallHeat = false;
    const AnalysisResult a = analyse_pressure(c, trace_of(own.angle, own.pressure), apparent);
    EXPECT_LT(a.burn.heatReleaseMax, r.burn.heatReleaseMax + 0.5 * r.heat.wallHeat);
}

}  // namespace
}  // namespace diesel
