// Gas properties of the zone gas: cv as the temperature derivative of u.
#include "cylinder/gas_properties.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace diesel {
namespace {

// One cylinder whose three zones hold 1 g of air in 1 litre at temperature T [K].
std::unique_ptr<RunState> air_at(float T) {
    auto s = std::make_unique<RunState>();
    s->NCYL = 1;
    s->NZONE = 3;
    for (int32_t k = 1; k <= 3; ++k) {
        s->MASS[k] = s->VOL[k] = 1.0e-3f;
        s->TEMP[k] = T;
    }
    gas_properties(*s);
    return s;
}

// A slip in any coefficient of either polynomial shows at some temperature.
TEST(GasProperties, CvIsTheDerivativeOfU) {
    for (const float T : {250.0f, 900.0f, 1500.0f, 2200.0f, 2800.0f}) {
        const auto lo = air_at(T - 2.0f), at = air_at(T), hi = air_at(T + 2.0f);
        EXPECT_NEAR(at->CVAIR[1], (static_cast<double>(hi->UAIR[1]) - lo->UAIR[1]) / 4.0, 0.05) << T;
        EXPECT_NEAR(at->CVEQR[1], (static_cast<double>(hi->UEQR[1]) - lo->UEQR[1]) / 4.0, 0.05) << T;
    }
}

}  // namespace
}  // namespace diesel
