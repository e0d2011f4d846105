#include "driver/crank_step.hpp"

#include "cylinder/gas_properties.hpp"
#include "cylinder/heat_transfer.hpp"
#include "cylinder/zone_balances.hpp"
#include "gas_exchange/receiver_flows.hpp"
#include "gas_exchange/valve_areas.hpp"
#include "gas_exchange/valve_flows.hpp"

namespace diesel {

void predictor(RunState& s) {
    const float H = s.PI * s.DPH / 180.0f;  // step [rad]
    for (int32_t k = 1; k <= s.NZONE; ++k) {
        s.DEQR1[k] = s.DEQR[k];
        s.DTEMP1[k] = s.DTEMP[k];
        s.DMASS1[k] = s.DMASS[k];
        s.EQR[k] = H * s.DEQR[k] + s.EQR0[k];
        s.TEMP[k] = H * s.DTEMP[k] + s.TEMP0[k];
        s.MASS[k] = H * s.DMASS[k] + s.MASS0[k];
    }
}

PassResult corrector_pass(RunState& s, const WallStepConstants& wall, PassPowers& powers) {
    s.SDMINL = 0.0f;
    s.SDMEXH = 0.0f;
    s.SDHINL = 0.0f;
    s.SDHEXH = 0.0f;
    s.SFEX = 0.0f;
    gas_properties(s);

    // The per-cylinder work, each part over all cylinders.
    ZoneArray kappa;
    kappa_cylinders(s, kappa);
    pressure_valve_areas(s);
    cylinder_valve_flows(s, kappa);
    cylinder_heat_transfer(s, wall, powers.wall);
    accumulate_flow_sums(s);

    if (!exhaust_outlet_flow(s, powers.receivers)) {
        return PassResult::ExhaustPressureLow;
    }
    exhaust_receiver_wall_loss(s);
    cylinder_balances(s);
    intake_supply_flow(s, powers.receivers);
    intake_receiver_balance(s);
    exhaust_receiver_balance(s);
    corrector_update(s);
    return (s.CONVFLAG < 1.0f) ? PassResult::Converged : PassResult::NotConverged;
}

PassResult solve_step(RunState& s, StepHead& head) {
    for (;;) {
        s.PHI = s.PHI + s.DPH;
        s.ITER = 0;
        if (s.DPHIR > s.DPH) s.NSMALL = s.NSMALL + 1;
        head.form(s);
        predictor(s);

        bool refine = false;
        for (;;) {
            const PassResult r = corrector_pass(s, head.wall(), head.powers());
            if (r == PassResult::ExhaustPressureLow) return r;
            if (r == PassResult::Converged) break;
            s.ITER = s.ITER + 1;
            if (s.ITER <= s.ITMAX) continue;
            if (s.DPH >= s.DPHI) {
                refine = true;
            } // else a refined step is accepted unconverged
            break;
        }
        if (!refine) return PassResult::Converged;
        // Repeat the step from the same start state with a tenth of the step.
        s.PHI = s.PHI - s.DPH;
        s.NSMALL = 0;
        s.DPH = s.DPHI / 10.0f;
        for (int32_t k = 1; k <= s.NZONE; ++k) {
            s.DMASS[k] = s.DMASS1[k];
            s.DTEMP[k] = s.DTEMP1[k];
            s.DEQR[k] = s.DEQR1[k];
        }
    }
}

void end_of_step_copy(RunState& s) {
    for (int32_t k = 1; k <= s.NZONE; ++k) {
        s.EQR0[k] = s.EQRN[k];
        s.MASS0[k] = s.MASSN[k];
        s.TEMP0[k] = s.TEMPN[k];
        s.DEQR[k] = s.DEQRN[k];
        s.DMASS[k] = s.DMASSN[k];
        s.DTEMP[k] = s.DTEMPN[k];
    }
}

}  // namespace diesel
