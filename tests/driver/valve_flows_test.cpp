#include "driver/valve_flows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "driver/orifice.hpp"

namespace diesel {
namespace {

constexpr float kPi = 3.1415925f;
constexpr float kSpeed = 2000.0f;  // [rpm]
constexpr float kKappa = 1.25f;    // far enough from 1.4 that the two formulas differ at 0.528

// Three cylinders; the one under test is j = 2, its neighbours hold NaN so that
// any use of the wrong zone shows. Intake receiver 4, exhaust receiver 5.
constexpr int32_t J = 2;
constexpr int32_t IN = 4;
constexpr int32_t EX = 5;

struct Zone {
    float PRES, TEMP, RGAS, UAIR, UEQR, EQR;
};

std::unique_ptr<RunState> flow_state(float PCYL, float PIN, float PEX, float A) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 3;
    s->NZONE = 5;
    s->PI = kPi;
    s->SPEED = kSpeed;
    s->KAPPA = kKappa;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto set = [&](int32_t k, const Zone& z) {
        s->PRES[k] = z.PRES;
        s->TEMP[k] = z.TEMP;
        s->RGAS[k] = z.RGAS;
        s->UAIR[k] = z.UAIR;
        s->UEQR[k] = z.UEQR;
        s->EQR[k] = z.EQR;
        s->XMIX[k] = 1.0f + 0.0676f * z.EQR;
    };
    set(1, {nan, nan, nan, nan, nan, nan});
    set(3, {nan, nan, nan, nan, nan, nan});
    set(J, {PCYL, 900.0f, 290.0f, 620000.0f, 21000.0f, 0.5f});
    set(IN, {PIN, 300.0f, 287.0f, 215000.0f, 0.0f, 0.0f});
    set(EX, {PEX, 750.0f, 289.0f, 540000.0f, 15000.0f, 0.4f});
    s->AINL[J] = A;
    s->AEXH[J] = A;
    s->AINL[1] = s->AINL[3] = s->AEXH[1] = s->AEXH[3] = nan;
    return s;
}

// Specific enthalpy of zone k's gas [J/kg], in double.
double enthalpy(const RunState& s, int32_t k) {
    return static_cast<double>(s.RGAS[k]) * s.TEMP[k] + (s.UAIR[k] - static_cast<double>(s.UEQR[k]) * s.EQR[k]);
}

enum class Regime { Choked, Subsonic };

// Orifice flow [kg per radian of crank angle] from zone `up` through area A to
// downstream pressure PD, in double.
double orifice_per_radian(const RunState& s, int32_t up, double PD, double A, Regime regime) {
    const double k = kKappa;
    const double PU = s.PRES[up];
    const double RU = s.RGAS[up];
    const double TU = s.TEMP[up];
    double mdot;
    if (regime == Regime::Choked) {
        mdot = std::sqrt(std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0)) * k / RU / TU) * A * PU;
    } else {
        const double X = PD / PU;
        const double flow = (std::pow(X, 2.0 / k) - std::pow(X, (k + 1.0) / k)) * (2.0 * k / (k - 1.0));
        mdot = std::sqrt(flow / RU / TU) * A * PU;
    }
    return mdot * 60.0 / (2.0 * static_cast<double>(kPi) * kSpeed);
}

// The program's own float formula for a regime, to pin the choice exactly.
float float_flow(const RunState& s, int32_t up, float PD, float A, Regime regime) {
    const float PU = s.PRES[up];
    const float mdot = (regime == Regime::Choked)
                           ? orifice_choked(kKappa, s.RGAS[up], s.TEMP[up], A, PU)
                           : orifice_subsonic(PD / PU, kKappa, s.RGAS[up], s.TEMP[up], A, PU);
    return per_radian(mdot, kPi, kSpeed);
}

Regime other(Regime r) { return r == Regime::Choked ? Regime::Subsonic : Regime::Choked; }

struct FlowCase {
    std::string name;
    float PCYL, PRCV;   // cylinder and receiver pressure [Pa]
    bool intoCylinder;  // direction the valve must choose
    Regime regime;
};

constexpr float kArea = 5.0E-4f;  // [m2]

// ---- Intake valve ------------------------------------------------------------

class IntakeFlowTest : public ::testing::TestWithParam<FlowCase> {};

TEST_P(IntakeFlowTest, DirectionRegimeAndEnthalpy) {
    const FlowCase& t = GetParam();
    auto s = flow_state(t.PCYL, t.PRCV, 100000.0f, kArea);
    intake_valve_flow(*s, J);
    const int32_t up = t.intoCylinder ? IN : J;
    const float PD = t.intoCylinder ? t.PCYL : t.PRCV;
    const double m = orifice_per_radian(*s, up, PD, kArea, t.regime);
    if (t.intoCylinder) {
        EXPECT_NEAR(s->DMINL[J], m, 2.0E-5 * m);
        EXPECT_EQ(s->DMINL[J], float_flow(*s, up, PD, kArea, t.regime));
        // inflow carries the intake receiver's enthalpy
        EXPECT_NEAR(s->DHINL[J], enthalpy(*s, IN) * s->DMINL[J], 1.0E-5 * enthalpy(*s, IN) * s->DMINL[J]);
    } else {
        EXPECT_NEAR(s->DMINL[J], -m, 2.0E-5 * m + 1.0E-12);
        EXPECT_EQ(s->DMINL[J], -float_flow(*s, up, PD, kArea, t.regime));
        // backflow into the intake receiver carries no enthalpy
        EXPECT_EQ(s->DHINL[J], 0.0f);
    }
    // The regime matters: the other formula gives a different flow here.
    if (m > 0.0) {
        EXPECT_NE(std::fabs(s->DMINL[J]), float_flow(*s, up, PD, kArea, other(t.regime)));
    }
}

TEST_P(IntakeFlowTest, ClosedValveGivesNoFlow) {
    const FlowCase& t = GetParam();
    auto s = flow_state(t.PCYL, t.PRCV, 100000.0f, 0.0f);
    s->DMINL[J] = s->DHINL[J] = 1.0f;
    intake_valve_flow(*s, J);
    EXPECT_EQ(s->DMINL[J], 0.0f);
    EXPECT_EQ(s->DHINL[J], 0.0f);
    // the backflow branch negates its zero
    EXPECT_EQ(std::signbit(s->DMINL[J]), !t.intoCylinder);
}

INSTANTIATE_TEST_SUITE_P(
    ValveFlows, IntakeFlowTest,
    ::testing::Values(
        FlowCase{"OutChokedBelowCritical", 100000.0f, 52790.0f, false, Regime::Choked},
        FlowCase{"OutSubsonicAtCritical", 100000.0f, 52800.0f, false, Regime::Subsonic},
        FlowCase{"OutSubsonic", 150000.0f, 100000.0f, false, Regime::Subsonic},
        // equal pressures: the outflow branch, with zero flow
        FlowCase{"EqualPressuresCountAsOutflow", 100000.0f, 100000.0f, false, Regime::Subsonic},
        FlowCase{"InChokedBelowCritical", 52790.0f, 100000.0f, true, Regime::Choked},
        FlowCase{"InSubsonicAtCritical", 52800.0f, 100000.0f, true, Regime::Subsonic},
        FlowCase{"InSubsonic", 90000.0f, 100000.0f, true, Regime::Subsonic}),
    [](const ::testing::TestParamInfo<FlowCase>& info) { return info.param.name; });

TEST(ValveFlows, EqualPressuresAtTheIntakeGiveNegativeZero) {
    auto s = flow_state(100000.0f, 100000.0f, 100000.0f, kArea);
    intake_valve_flow(*s, J);
    EXPECT_EQ(s->DMINL[J], 0.0f);
    EXPECT_TRUE(std::signbit(s->DMINL[J]));  // counted as outflow
    EXPECT_EQ(s->DHINL[J], 0.0f);
}

// ---- Exhaust valve -----------------------------------------------------------

class ExhaustFlowTest : public ::testing::TestWithParam<FlowCase> {};

TEST_P(ExhaustFlowTest, DirectionRegimeAndEnthalpyOfTheUpstreamZone) {
    const FlowCase& t = GetParam();
    auto s = flow_state(t.PCYL, 100000.0f, t.PRCV, kArea);
    exhaust_valve_flow(*s, J);
    const int32_t up = t.intoCylinder ? EX : J;
    const float PD = t.intoCylinder ? t.PCYL : t.PRCV;
    const double m = orifice_per_radian(*s, up, PD, kArea, t.regime);
    const double signedFlow = t.intoCylinder ? -m : m;  // positive out of the cylinder
    EXPECT_NEAR(s->DMEXH[J], signedFlow, 2.0E-5 * m + 1.0E-12);
    EXPECT_EQ(std::fabs(s->DMEXH[J]), float_flow(*s, up, PD, kArea, t.regime));
    if (m > 0.0) {
        EXPECT_NE(std::fabs(s->DMEXH[J]), float_flow(*s, up, PD, kArea, other(t.regime)));
    }
    // enthalpy travels with the gas in both directions
    const double h = enthalpy(*s, up) * s->DMEXH[J];
    EXPECT_NEAR(s->DHEXH[J], h, 1.0E-5 * std::fabs(h) + 1.0E-12);
}

TEST_P(ExhaustFlowTest, ClosedValveGivesNoFlow) {
    const FlowCase& t = GetParam();
    auto s = flow_state(t.PCYL, 100000.0f, t.PRCV, 0.0f);
    s->DMEXH[J] = s->DHEXH[J] = 1.0f;
    exhaust_valve_flow(*s, J);
    EXPECT_EQ(s->DMEXH[J], 0.0f);
    EXPECT_EQ(s->DHEXH[J], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    ValveFlows, ExhaustFlowTest,
    ::testing::Values(
        FlowCase{"BackChokedBelowCritical", 52790.0f, 100000.0f, true, Regime::Choked},
        FlowCase{"BackSubsonicAtCritical", 52800.0f, 100000.0f, true, Regime::Subsonic},
        FlowCase{"BackSubsonic", 90000.0f, 100000.0f, true, Regime::Subsonic},
        // equal pressures: the outflow branch, with zero flow
        FlowCase{"EqualPressures", 100000.0f, 100000.0f, false, Regime::Subsonic},
        FlowCase{"OutChokedBelowCritical", 100000.0f, 52790.0f, false, Regime::Choked},
        FlowCase{"OutSubsonicAtCritical", 100000.0f, 52800.0f, false, Regime::Subsonic},
        FlowCase{"OutSubsonic", 120000.0f, 100000.0f, false, Regime::Subsonic}),
    [](const ::testing::TestParamInfo<FlowCase>& info) { return info.param.name; });

TEST(ValveFlows, ChokedFlowDoesNotDependOnTheDownstreamPressure) {
    auto a = flow_state(300000.0f, 100000.0f, 100000.0f, kArea);
    auto b = flow_state(300000.0f, 20000.0f, 20000.0f, kArea);
    intake_valve_flow(*a, J);
    intake_valve_flow(*b, J);
    exhaust_valve_flow(*a, J);
    exhaust_valve_flow(*b, J);
    EXPECT_EQ(a->DMINL[J], b->DMINL[J]);
    EXPECT_EQ(a->DMEXH[J], b->DMEXH[J]);
    EXPECT_EQ(a->DMEXH[J], -a->DMINL[J]);  // same area, same upstream gas, opposite sign conventions
    EXPECT_GT(a->DMEXH[J], 0.0f);
}

TEST(ValveFlows, OrificeEquationAgainstDouble) {
    struct Point {
        float X, k;
    };
    for (const Point p : {Point{0.95f, 1.4f}, Point{0.7f, 1.33f}, Point{0.53f, 1.3f}, Point{0.999f, 1.36f}}) {
        const double k = p.k;
        const double X = p.X;
        const double sub =
            std::sqrt((std::pow(X, 2.0 / k) - std::pow(X, (k + 1.0) / k)) * (2.0 * k / (k - 1.0)) / 287.0 / 600.0) *
            4.0E-4 * 150000.0;
        EXPECT_NEAR(orifice_subsonic(p.X, p.k, 287.0f, 600.0f, 4.0E-4f, 150000.0f), sub, 1.0E-4 * sub) << p.X;
        const double ch =
            std::sqrt(std::pow(2.0 / (k + 1.0), (k + 1.0) / (k - 1.0)) * k / 287.0 / 600.0) * 4.0E-4 * 150000.0;
        EXPECT_NEAR(orifice_choked(p.k, 287.0f, 600.0f, 4.0E-4f, 150000.0f), ch, 1.0E-5 * ch);
        // the subsonic flow never exceeds the choked one
        EXPECT_LE(sub, ch * (1.0 + 1.0E-9));
    }
    // kg/s to kg/rad: one second is SPEED/60 revolutions of 2 pi
    EXPECT_NEAR(per_radian(1.0f, kPi, 2000.0f), 60.0 / (2.0 * M_PI * 2000.0), 1.0E-6 * 60.0 / (2.0 * M_PI * 2000.0));
}

TEST(ValveFlows, BothValvesAtOnceMatchTheSingleValveFlows) {
    // Pressure triples (cylinder, intake, exhaust) that put the two valves in
    // every combination of regimes, so that terms shared between them show.
    const float p[] = {52790.0f, 52800.0f, 90000.0f, 100000.0f, 120000.0f, 300000.0f};
    for (const float PCYL : {100000.0f, 52790.0f, 190000.0f}) {
        for (const float PIN : p) {
            for (const float PEX : p) {
                auto a = flow_state(PCYL, PIN, PEX, kArea);
                auto b = flow_state(PCYL, PIN, PEX, kArea);
                intake_valve_flow(*a, J);
                exhaust_valve_flow(*a, J);
                cylinder_valve_flows(*b, J);
                const std::string at = std::to_string(PCYL) + " " + std::to_string(PIN) + " " + std::to_string(PEX);
                EXPECT_EQ(a->DMINL[J], b->DMINL[J]) << at;
                EXPECT_EQ(a->DHINL[J], b->DHINL[J]) << at;
                EXPECT_EQ(a->DMEXH[J], b->DMEXH[J]) << at;
                EXPECT_EQ(a->DHEXH[J], b->DHEXH[J]) << at;
            }
        }
    }
}

// ---- Flow sums -----------------------------------------------------------------

TEST(ValveFlows, FlowSumsAndFuelCarriedWithTheCylinderComposition) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 2;
    s->NZONE = 4;
    const float eqr[3] = {0.0f, 0.6f, 0.1f};
    for (int32_t j = 1; j <= 2; ++j) {
        s->EQR[j] = eqr[j];
        s->XMIX[j] = 1.0f + 0.0676f * eqr[j];
    }
    s->EQR[4] = 0.9f;  // exhaust receiver: never the composition of the sum
    s->XMIX[4] = 1.0f + 0.0676f * 0.9f;
    // cylinder 1 blows down, cylinder 2 takes in exhaust gas and backflows at the intake
    s->DMINL[1] = 2.0E-5f;  s->DHINL[1] = 6.0f;   s->DMEXH[1] = 3.0E-4f;  s->DHEXH[1] = 300.0f;
    s->DMINL[2] = -1.0E-5f; s->DHINL[2] = 0.0f;   s->DMEXH[2] = -4.0E-5f; s->DHEXH[2] = -35.0f;
    s->SDMINL = s->SDMEXH = s->SDHINL = s->SDHEXH = s->SFEX = 0.0f;
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
