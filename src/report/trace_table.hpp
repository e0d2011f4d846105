// The full-precision trace of the output cycle: every traced step, every
// cylinder and both receivers, for traces.csv and the Python module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

class TraceTable final : public StepObserver {
public:
    // Columns for an engine of `ncyl` cylinders (1 .. 12):
    //   crank_angle [deg]  from firing TDC of cylinder 1, -180 .. 540 for a cycle from 540
    //   model_angle [deg]  MOD(PHI, 720), the model's cycle angle as the fort files give it
    //   iterations [-]     failed corrector passes of the step
    // then for each cylinder j the columns p_cylj [bar], T_cylj [K], m_cylj [kg],
    // eqr_cylj [-], V_cylj [m3], Q_head_cylj, Q_piston_cylj, Q_liner_cylj,
    // Q_wall_cylj [W], wiebe_cylj [-], burn_rate_cylj [kg/deg], A_in_cylj,
    // A_out_cylj [m2], mdot_in_cylj, mdot_out_cylj [kg/deg]; then the intake
    // receiver (p_, T_, m_, eqr_, V_intake, mdot_supply) and the exhaust
    // receiver (p_, T_, m_, eqr_, V_exhaust, Q_wall_exhaust, A_outlet, mdot_outlet).
    explicit TraceTable(int32_t ncyl);

    // Appends a row. A step of a later cycle than the rows held starts the
    // table afresh: the table holds the last traced cycle, the output cycle.
    void traced_step(const RunState& s) override;

    std::size_t rows() const { return names_.empty() ? 0 : values_.size() / names_.size(); }
    std::size_t columns() const { return names_.size(); }
    const std::vector<std::string>& names() const { return names_; }  // "p_cyl1"
    const std::vector<const char*>& units() const { return units_; }  // "bar"
    const float* row(std::size_t r) const { return values_.data() + r * names_.size(); }

    // The CSV text: a header of "name [unit]" columns, one line per row, every
    // value the shortest text that reads back to the same float.
    std::string csv() const;

private:
    int32_t ncyl_;
    int32_t cycle_ = -1;  // ICYC of the rows held
    std::vector<std::string> names_;
    std::vector<const char*> units_;
    std::vector<float> values_;  // row-major
};

}  // namespace diesel
