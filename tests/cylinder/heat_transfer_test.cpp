// Cylinder wall heat transfer: no flow to walls at the coolant temperature and
// no liner exposed at top dead centre.
#include "cylinder/heat_transfer.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "cylinder/gas_properties.hpp"
#include "driver/kinematics.hpp"
#include "input/run_setup.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// Cylinder 1 of the fixed-fuel example at crank angle phi [deg] holding its
// start charge at temperature T [K], with the given valve areas [m2].
std::unique_ptr<RunState> transfer_at(float phi, float T, float AINL, float AEXH) {
    auto s = test_support::read_state(test_support::example_texts("c1_fixed"));
    set_up_run(*s);
    s->PHI = phi;
    cylinder_kinematics(*s, 1, 720.0f);
    s->MASS[1] = s->MASS0[1];
    s->EQR[1] = s->EQR0[1];
    s->TEMP[1] = T;
    s->AINL[1] = AINL;
    s->AEXH[1] = AEXH;
    s->ASOC[1] = -1.0f;
    gas_properties(*s);
    WallStepConstants w;
    wall_step_constants(*s, w);
    WallPowers powers;
    cylinder_heat_transfer(*s, w, powers);
    return s;
}

TEST(CylinderHeatTransfer, NoWallFlowAtCoolantTemperatureNorToTheLinerAtTdc) {
    for (const auto& [AINL, AEXH] : {std::pair{0.0f, 0.0f}, std::pair{4.0e-4f, 0.0f}, std::pair{0.0f, 4.0e-4f}}) {
        const auto s = transfer_at(400.0f, 363.0f, AINL, AEXH);  // TCOOL 90 degC
        ASSERT_EQ(s->TEMP[1], s->TCOOL);
        EXPECT_GT(s->HTC[1], 0.0f);
        for (const float q : {s->QHEAD[1], s->QPIST[1], s->QLINER[1], s->QWALL[1]}) EXPECT_EQ(q, 0.0f);
    }
    const auto tdc = transfer_at(0.0f, 900.0f, 0.0f, 0.0f);
    EXPECT_EQ(tdc->QLINER[1], 0.0f);
    EXPECT_LT(tdc->QHEAD[1], 0.0f);
}

}  // namespace
}  // namespace diesel
