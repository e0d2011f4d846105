#include "driver/valve_flows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace diesel {
namespace {

constexpr float kPi = 3.1415925f;
constexpr float kSpeed = 2000.0f;  // [rpm]
constexpr float kKappa = 1.25f;    // choked and subsonic flow differ by 0.17 % at 0.528
constexpr float kArea = 5.0E-4f;   // [m2]

// Three cylinders; the one under test is j = 2, its neighbours hold NaN so that
// any use of the wrong zone shows. Intake receiver 4, exhaust receiver 5.
constexpr int32_t J = 2;
constexpr int32_t IN = 4;
constexpr int32_t EX = 5;

std::unique_ptr<RunState> flow_state(float PCYL, float PIN, float PEX, float A) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 3;
    s->NZONE = 5;
    s->PI = kPi;
    s->SPEED = kSpeed;
    s->KAPPA = kKappa;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // PRES, TEMP, RGAS, UAIR, UEQR, EQR of zones 1 to 5
    const float zones[5][6] = {{nan, nan, nan, nan, nan, nan},
                               {PCYL, 900.0f, 290.0f, 620000.0f, 21000.0f, 0.5f},
                               {nan, nan, nan, nan, nan, nan},
                               {PIN, 300.0f, 287.0f, 215000.0f, 0.0f, 0.0f},
                               {PEX, 750.0f, 289.0f, 540000.0f, 15000.0f, 0.4f}};
    for (int32_t k = 1; k <= 5; ++k) {
        const float* z = zones[k - 1];
        s->PRES[k] = z[0];
        s->TEMP[k] = z[1];
        s->RGAS[k] = z[2];
        s->UAIR[k] = z[3];
        s->UEQR[k] = z[4];
        s->EQR[k] = z[5];
        s->XMIX[k] = 1.0f + 0.0676f * z[5];
    }
    s->AINL[J] = s->AEXH[J] = A;
    s->AINL[1] = s->AINL[3] = s->AEXH[1] = s->AEXH[3] = nan;
    return s;
}

// Specific enthalpy of zone k's gas [J/kg], in double.
double enthalpy(const RunState& s, int32_t k) {
    return static_cast<double>(s.RGAS[k]) * s.TEMP[k] + (s.UAIR[k] - static_cast<double>(s.UEQR[k]) * s.EQR[k]);
}

// Orifice flow [kg per radian of crank angle] from zone `up` to downstream
// pressure PD, in double; choked when `choked`.
double orifice_per_radian(const RunState& s, int32_t up, double PD, bool choked) {
    const double k = kKappa;
    const double PU = s.PRES[up];
    const double X = PD / PU;
    const double psi = choked ? std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0)) * k
                              : (std::pow(X, 2.0 / k) - std::pow(X, (k + 1.0) / k)) * (2.0 * k / (k - 1.0));
    const double mdot = std::sqrt(psi / s.RGAS[up] / s.TEMP[up]) * kArea * PU;
    return mdot * 60.0 / (2.0 * static_cast<double>(kPi) * kSpeed);
}

struct FlowCase {
    std::string name;
    float PCYL, PRCV;  // cylinder and receiver pressure [Pa], the same in both receivers
    bool choked;
};

class ValveFlowTest : public ::testing::TestWithParam<FlowCase> {};

// Direction, regime and enthalpy at both valves, from the single-valve routines
// and from the combined one the driver calls (which shares terms between the
// valves); the same pressures through shut valves give no flow.
TEST_P(ValveFlowTest, DirectionRegimeAndEnthalpy) {
    const FlowCase& t = GetParam();
    const bool intoCylinder = t.PRCV > t.PCYL;  // equal pressures count as outflow
    const auto ref = flow_state(t.PCYL, t.PRCV, t.PRCV, kArea);
    const double PD = intoCylinder ? t.PCYL : t.PRCV;
    const double mIn = orifice_per_radian(*ref, intoCylinder ? IN : J, PD, t.choked);
    const double mEx = orifice_per_radian(*ref, intoCylinder ? EX : J, PD, t.choked);
    for (const bool combined : {false, true}) {
        for (const float A : {kArea, 0.0f}) {
            auto s = flow_state(t.PCYL, t.PRCV, t.PRCV, A);
            s->DMINL[J] = s->DHINL[J] = s->DMEXH[J] = s->DHEXH[J] = 1.0f;
            if (combined) {
                cylinder_valve_flows(*s, J);
            } else {
                intake_valve_flow(*s, J);
                exhaust_valve_flow(*s, J);
            }
            const double in = A > 0.0f ? (intoCylinder ? mIn : -mIn) : 0.0;   // + into the cylinder
            const double out = A > 0.0f ? (intoCylinder ? -mEx : mEx) : 0.0;  // + out of the cylinder
            const std::string at = std::string(combined ? "combined" : "single") + ", area " + std::to_string(A);
            EXPECT_NEAR(s->DMINL[J], in, 2.0E-5 * std::fabs(in)) << at;
            // the intake backflow branch negates its flow, also a zero one
            EXPECT_EQ(std::signbit(s->DMINL[J]), !intoCylinder) << at;
            // intake inflow carries the intake receiver's enthalpy, backflow none
            const double hIn = intoCylinder ? enthalpy(*s, IN) * s->DMINL[J] : 0.0;
            EXPECT_NEAR(s->DHINL[J], hIn, 1.0E-5 * std::fabs(hIn)) << at;
            EXPECT_NEAR(s->DMEXH[J], out, 2.0E-5 * std::fabs(out)) << at;
            EXPECT_EQ(std::signbit(s->DMEXH[J]), intoCylinder) << at;  // a zero flow too
            // the exhaust valve carries the upstream zone's enthalpy in both directions
            const double hEx = enthalpy(*s, intoCylinder ? EX : J) * s->DMEXH[J];
            EXPECT_NEAR(s->DHEXH[J], hEx, 1.0E-5 * std::fabs(hEx)) << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ValveFlows, ValveFlowTest,
    ::testing::Values(
        // choked strictly below the critical pressure ratio 0.528
        FlowCase{"OutChoked", 100000.0f, 52790.0f, true},
        FlowCase{"OutSubsonicAtCritical", 100000.0f, 52800.0f, false},
        FlowCase{"OutSubsonic", 150000.0f, 100000.0f, false},
        FlowCase{"EqualPressures", 100000.0f, 100000.0f, false},
        FlowCase{"InChoked", 52790.0f, 100000.0f, true},
        FlowCase{"InSubsonicAtCritical", 52800.0f, 100000.0f, false},
        FlowCase{"InSubsonic", 90000.0f, 100000.0f, false}),
    [](const ::testing::TestParamInfo<FlowCase>& info) { return info.param.name; });

TEST(ValveFlows, FlowSumsAndFuelCarriedWithTheCylinderComposition) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 2;
    s->NZONE = 4;
    s->EQR[1] = 0.6f;
    s->EQR[2] = 0.1f;
    s->EQR[4] = 0.9f;  // exhaust receiver: never the composition of the sum
    for (const int32_t k : {1, 2, 4}) s->XMIX[k] = 1.0f + 0.0676f * s->EQR[k];
    // cylinder 1 blows down, cylinder 2 takes in exhaust gas and backflows at the intake
    s->DMINL[1] = 2.0E-5f;  s->DHINL[1] = 6.0f;   s->DMEXH[1] = 3.0E-4f;  s->DHEXH[1] = 300.0f;
    s->DMINL[2] = -1.0E-5f; s->DHINL[2] = 0.0f;   s->DMEXH[2] = -4.0E-5f; s->DHEXH[2] = -35.0f;
    accumulate_flow_sums(*s, 1);
    accumulate_flow_sums(*s, 2);
    EXPECT_FLOAT_EQ(s->SDMINL, 1.0E-5f);
    EXPECT_FLOAT_EQ(s->SDMEXH, 2.6E-4f);
    EXPECT_FLOAT_EQ(s->SDHINL, 6.0f);
    EXPECT_FLOAT_EQ(s->SDHEXH, 265.0f);
    const double fex = 0.6 * 0.0676 / (1.0 + 0.0676 * 0.6) * 3.0E-4 + 0.1 * 0.0676 / (1.0 + 0.0676 * 0.1) * -4.0E-5;
    EXPECT_NEAR(s->SFEX, fex, 1.0E-5 * std::fabs(fex));
}

}  // namespace
}  // namespace diesel
