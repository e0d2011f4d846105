// Gas properties of the zone gas: the supply-air enthalpy, cv as the
// temperature derivative of u, the burnt-gas energy offset and the three fits
// of the isentropic exponent.
#include "cylinder/gas_properties.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

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

TEST(GasProperties, AirAt293KHasTheSupplyEnthalpyAndExponent) {
    const auto s = zones_at(293.0f, 0.0f);
    EXPECT_EQ(s->RGAS[1], 287.0f);
    EXPECT_EQ(s->XMIX[1], 1.0f);
    EXPECT_EQ(s->UGAS[1], s->UAIR[1]);
    // u + R T of the supply air is HAIR; one float ulp at 291378 J/kg is 0.031.
    EXPECT_NEAR(s->UGAS[1] + s->RGAS[1] * 293.0f, HAIR, 0.07f);
    EXPECT_NEAR(s->PRES[1], 84091.0f, 1.0f);  // 1 g of air at 293 K in 1 litre
    EXPECT_NEAR(kappa_supply(*s), 1.4072f, 1e-4f);
}

// cv must be the exact temperature derivative of u; a slip in any coefficient
// of either polynomial shows at some temperature of the table.
class CvIsDerivativeOfU : public ::testing::TestWithParam<float> {};

TEST_P(CvIsDerivativeOfU, CentralDifferences) {
    const float T = GetParam();
    const float dT = 2.0f;  // [K]; the polynomials are at most of degree 5
    const auto lo = zones_at(T - dT, 0.0f);
    const auto hi = zones_at(T + dT, 0.0f);
    const auto at = zones_at(T, 0.0f);
    // Float rounding of u (about 0.03 J/kg) and the difference error (h^2/6 u''').
    EXPECT_NEAR(at->CVAIR[1], (static_cast<double>(hi->UAIR[1]) - lo->UAIR[1]) / (2.0 * dT), 0.05) << T;
    EXPECT_NEAR(at->CVEQR[1], (static_cast<double>(hi->UEQR[1]) - lo->UEQR[1]) / (2.0 * dT), 0.05) << T;
}

INSTANTIATE_TEST_SUITE_P(Temperatures, CvIsDerivativeOfU,
                         ::testing::Values(250.0f, 293.0f, 900.0f, 1500.0f, 2200.0f, 2800.0f));

TEST(GasProperties, MixtureValuesAreLinearInEqr) {
    const auto e0 = zones_at(300.0f, 0.0f);
    const auto e5 = zones_at(300.0f, 0.5f);
    const auto e10 = zones_at(300.0f, 1.0f);
    // Burnt gas holds less energy than air: about 0.0676 * 3024 kJ/kg less per unit of EQR.
    const double slope = static_cast<double>(e10->UGAS[1]) - e0->UGAS[1];
    EXPECT_NEAR(slope, -0.0676 * 3024.0e3, 0.001 * 0.0676 * 3024.0e3);
    EXPECT_NEAR(e5->UGAS[1] - e0->UGAS[1], e10->UGAS[1] - e5->UGAS[1], 0.1);
    EXPECT_NEAR(e5->CVGAS[1] - e0->CVGAS[1], e10->CVGAS[1] - e5->CVGAS[1], 1e-3);
    EXPECT_EQ(e0->UAIR[1], e10->UAIR[1]);  // the air part does not depend on the composition
    EXPECT_FLOAT_EQ(e10->RGAS[1], 307.0f);
    EXPECT_FLOAT_EQ(e10->XMIX[1], 1.0676f);
}

TEST(IsentropicExponent, CylinderFitMatchesOutletFitForExhaustGas) {
    // A zone holding exhaust-receiver gas gets the same exponent from the
    // cylinder fit as the receiver from the outlet fit (1.259 - 0.005 = 1.254).
    for (const auto& [T, E] : {std::pair{700.0f, 0.4f}, std::pair{1100.0f, 0.9f}, std::pair{293.0f, 1.2f}}) {
        auto s = zones_at(T, E);
        EXPECT_NEAR(kappa_cylinder(*s, 1, kappa_cylinder_coefficient(*s)), kappa_outlet(*s), 1e-6f) << T << " " << E;
    }
    // Fresh air in the cylinder has no composition term, whatever the receiver holds.
    auto s = zones_at(400.0f, 0.4f);
    s->EQR[1] = 0.0f;
    EXPECT_FLOAT_EQ(kappa_cylinder(*s, 1, kappa_cylinder_coefficient(*s)), 76.7f / 400.0f + 1.259f);
}

}  // namespace
}  // namespace diesel
