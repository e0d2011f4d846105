// Gas properties of the zone gas: the supply-air enthalpy, cv as the
// temperature derivative of u, the burnt-gas energy offset and the three fits
// of the isentropic exponent.
#include "cylinder/gas_properties.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>

namespace diesel {
namespace {

// A one-cylinder state whose three zones all hold gas at temperature T [K] and
// equivalence ratio E; 1 g in 1 litre.
std::unique_ptr<RunState> zones_at(float T, float E) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    for (int32_t k = 1; k <= 3; ++k) {
        s->MASS[k] = 1.0e-3f;
        s->VOL[k] = 1.0e-3f;
        s->TEMP[k] = T;
        s->EQR[k] = E;
    }
    gas_properties(*s);
    return s;
}

struct Props {
    double UAIR, UEQR, UGAS, CVAIR, CVEQR, CVGAS;
};

Props props_at(float T, float E) {
    const auto s = zones_at(T, E);
    return {s->UAIR[1], s->UEQR[1], s->UGAS[1], s->CVAIR[1], s->CVEQR[1], s->CVGAS[1]};
}

TEST(GasProperties, AirAt293KHasTheSupplyEnthalpy) {
    const auto s = zones_at(293.0f, 0.0f);
    EXPECT_EQ(s->RGAS[1], 287.0f);
    EXPECT_EQ(s->XMIX[1], 1.0f);
    EXPECT_EQ(s->UGAS[1], s->UAIR[1]);
    EXPECT_NEAR(s->UAIR[1], 207287.0f, 1.0f);
    // u + R T of the supply air is HAIR; one float ulp at 291378 J/kg is 0.031.
    const float h = s->UGAS[1] + s->RGAS[1] * 293.0f;
    EXPECT_NEAR(h, HAIR, 0.07f);
    // 1 g of air at 293 K in 1 litre.
    EXPECT_NEAR(s->PRES[1], 84091.0f, 1.0f);
}

// cv must be the exact temperature derivative of u; a slip in any coefficient
// of either polynomial shows at some temperature of the table.
class CvIsDerivativeOfU : public ::testing::TestWithParam<float> {};

TEST_P(CvIsDerivativeOfU, CentralDifferences) {
    const float T = GetParam();
    const float dT = 2.0f;  // [K]; the polynomials are at most of degree 5
    const Props lo = props_at(T - dT, 0.0f);
    const Props hi = props_at(T + dT, 0.0f);
    const Props at = props_at(T, 0.0f);
    const double dUair = (hi.UAIR - lo.UAIR) / (2.0 * dT);
    const double dUeqr = (hi.UEQR - lo.UEQR) / (2.0 * dT);
    // Float rounding of u (about 0.03 J/kg) and the difference error (h^2/6 u''').
    EXPECT_NEAR(at.CVAIR, dUair, 0.05) << "T = " << T;
    EXPECT_NEAR(at.CVEQR, dUeqr, 0.05) << "T = " << T;
    EXPECT_GT(at.CVAIR, 700.0);
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CvIsDerivativeOfU,
                         ::testing::Values(250.0f, 293.0f, 500.0f, 900.0f, 1500.0f, 2200.0f, 2800.0f));

TEST(GasProperties, MixtureValuesAreLinearInEqr) {
    const float T = 300.0f;
    const Props e0 = props_at(T, 0.0f);
    const Props e5 = props_at(T, 0.5f);
    const Props e10 = props_at(T, 1.0f);
    // Burnt gas holds less energy than air: about 0.0676 * 3024 kJ/kg less per unit of EQR.
    const double slope = (e10.UGAS - e0.UGAS) / 1.0;
    EXPECT_NEAR(slope, -0.0676 * 3024.0e3, 0.001 * 0.0676 * 3024.0e3);
    EXPECT_NEAR(e5.UGAS - e0.UGAS, e10.UGAS - e5.UGAS, 0.1);
    EXPECT_NEAR(e5.CVGAS - e0.CVGAS, e10.CVGAS - e5.CVGAS, 1e-3);
    // The air part does not depend on the composition.
    EXPECT_EQ(e0.UAIR, e10.UAIR);

    const auto s = zones_at(T, 1.0f);
    EXPECT_FLOAT_EQ(s->RGAS[1], 307.0f);
    EXPECT_FLOAT_EQ(s->XMIX[1], 1.0676f);
}

TEST(IsentropicExponent, SupplyFitAt293K) {
    const auto s = zones_at(293.0f, 0.0f);
    EXPECT_NEAR(kappa_supply(*s), 1.4072f, 1e-4f);
}

// A zone holding exhaust-receiver gas must get the same exponent from the
// cylinder fit as the receiver gets from the outlet fit (1.259 - 0.005 = 1.254).
struct ExhaustGas {
    float T;  // [K]
    float E;  // [-]
};

std::ostream& operator<<(std::ostream& os, const ExhaustGas& g) { return os << g.T << " K, EQR " << g.E; }

class CylinderFitMatchesOutletFit : public ::testing::TestWithParam<ExhaustGas> {};

TEST_P(CylinderFitMatchesOutletFit, ForExhaustReceiverGas) {
    const ExhaustGas g = GetParam();
    auto s = zones_at(g.T, g.E);
    const float C = kappa_cylinder_coefficient(*s);
    const float cylinder = kappa_cylinder(*s, 1, C);
    const float outlet = kappa_outlet(*s);
    EXPECT_NEAR(cylinder, outlet, 1e-6f) << "T = " << g.T << ", EQR = " << g.E;
    EXPECT_GT(outlet, 1.2f);
    EXPECT_LT(outlet, 1.6f);
}

INSTANTIATE_TEST_SUITE_P(States, CylinderFitMatchesOutletFit,
                         ::testing::Values(ExhaustGas{700.0f, 0.4f}, ExhaustGas{400.0f, 0.05f},
                                           ExhaustGas{1100.0f, 0.9f}, ExhaustGas{293.0f, 1.2f}));

TEST(IsentropicExponent, CylinderFitForFreshAirInACylinder) {
    // Fresh air (EQR 0) in the cylinder has no composition term, whatever the receiver holds.
    auto s = zones_at(400.0f, 0.4f);
    s->EQR[1] = 0.0f;
    const float C = kappa_cylinder_coefficient(*s);
    EXPECT_FLOAT_EQ(kappa_cylinder(*s, 1, C), 76.7f / 400.0f + 1.259f);
}

}  // namespace
}  // namespace diesel
