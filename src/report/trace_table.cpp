#include "report/trace_table.hpp"

#include <cmath>
#include <stdexcept>

#include "report/number_format.hpp"
#include "state/crank_angle.hpp"

namespace diesel {

namespace {

// A column's value in zone or cylinder k.
using Value = float (*)(const RunState& s, int32_t k);

struct Column {
    const char* name;
    const char* unit;
    Value value;
};

// Flows per radian of crank angle [x/rad] as the traces give them [x/deg].
float per_degree(const RunState& s, float perRadian) { return perRadian * s.PI / 180.0f; }

constexpr Column kStep[] = {
    {"crank_angle", "deg", [](const RunState& s, int32_t) { return angle_from_firing_tdc(s.PHI, s.ANGST); }},
    {"model_angle", "deg", [](const RunState& s, int32_t) { return std::fmod(s.PHI, 720.0f); }},
    {"iterations", "-", [](const RunState& s, int32_t) { return static_cast<float>(s.ITER); }},
};

constexpr Column kCylinder[] = {
    {"p", "bar", [](const RunState& s, int32_t j) { return s.PRES[j] / 100000.0f; }},
    {"T", "K", [](const RunState& s, int32_t j) { return s.TEMP[j]; }},
    {"m", "kg", [](const RunState& s, int32_t j) { return s.MASS[j]; }},
    {"eqr", "-", [](const RunState& s, int32_t j) { return s.EQR[j]; }},
    {"V", "m3", [](const RunState& s, int32_t j) { return s.VOL[j]; }},
    {"Q_head", "W", [](const RunState& s, int32_t j) { return s.QHEAD[j]; }},
    {"Q_piston", "W", [](const RunState& s, int32_t j) { return s.QPIST[j]; }},
    {"Q_liner", "W", [](const RunState& s, int32_t j) { return s.QLINER[j]; }},
    {"Q_wall", "W", [](const RunState& s, int32_t j) { return s.QWALL[j]; }},
    {"wiebe", "-", [](const RunState& s, int32_t j) { return s.WIEBE[j]; }},
    {"burn_rate", "kg/deg", [](const RunState& s, int32_t j) { return per_degree(s, s.DMF[j]); }},
    {"A_in", "m2", [](const RunState& s, int32_t j) { return s.AINL[j]; }},
    {"A_out", "m2", [](const RunState& s, int32_t j) { return s.AEXH[j]; }},
    {"mdot_in", "kg/deg", [](const RunState& s, int32_t j) { return per_degree(s, s.DMINL[j]); }},
    {"mdot_out", "kg/deg", [](const RunState& s, int32_t j) { return per_degree(s, s.DMEXH[j]); }},
};

constexpr Column kIntake[] = {
    {"p_intake", "bar", [](const RunState& s, int32_t k) { return s.PRES[k] / 100000.0f; }},
    {"T_intake", "K", [](const RunState& s, int32_t k) { return s.TEMP[k]; }},
    {"m_intake", "kg", [](const RunState& s, int32_t k) { return s.MASS[k]; }},
    {"eqr_intake", "-", [](const RunState& s, int32_t k) { return s.EQR[k]; }},
    {"V_intake", "m3", [](const RunState& s, int32_t k) { return s.VOL[k]; }},
    {"mdot_supply", "kg/deg", [](const RunState& s, int32_t k) { return per_degree(s, s.DMINL[k]); }},
};

constexpr Column kExhaust[] = {
    {"p_exhaust", "bar", [](const RunState& s, int32_t k) { return s.PRES[k] / 100000.0f; }},
    {"T_exhaust", "K", [](const RunState& s, int32_t k) { return s.TEMP[k]; }},
    {"m_exhaust", "kg", [](const RunState& s, int32_t k) { return s.MASS[k]; }},
    {"eqr_exhaust", "-", [](const RunState& s, int32_t k) { return s.EQR[k]; }},
    {"V_exhaust", "m3", [](const RunState& s, int32_t k) { return s.VOL[k]; }},
    {"Q_wall_exhaust", "W", [](const RunState& s, int32_t) { return s.QER; }},
    {"A_outlet", "m2", [](const RunState& s, int32_t) { return s.AOUT; }},
    {"mdot_outlet", "kg/deg", [](const RunState& s, int32_t k) { return per_degree(s, s.DMEXH[k]); }},
};

}  // namespace

TraceTable::TraceTable(int32_t ncyl) : ncyl_(ncyl) {
    if (ncyl < 1 || ncyl > kMaxCylinders) throw std::invalid_argument("TraceTable: NCYL outside 1 .. 12");
    const auto add = [this](const Column& c, const std::string& suffix) {
        names_.push_back(c.name + suffix);
        units_.push_back(c.unit);
    };
    for (const Column& c : kStep) add(c, "");
    for (int32_t j = 1; j <= ncyl; ++j) {
        for (const Column& c : kCylinder) add(c, "_cyl" + std::to_string(j));
    }
    for (const Column& c : kIntake) add(c, "");
    for (const Column& c : kExhaust) add(c, "");
}

void TraceTable::traced_step(const RunState& s) {
    if (s.NCYL != ncyl_) throw std::logic_error("TraceTable: a run of another number of cylinders");
    if (s.ICYC != cycle_) {
        cycle_ = s.ICYC;
        values_.clear();
        values_.reserve(static_cast<std::size_t>(kHistorySlots) * names_.size());
    }
    for (const Column& c : kStep) values_.push_back(c.value(s, 0));
    for (int32_t j = 1; j <= ncyl_; ++j) {
        for (const Column& c : kCylinder) values_.push_back(c.value(s, j));
    }
    for (const Column& c : kIntake) values_.push_back(c.value(s, ncyl_ + 1));
    for (const Column& c : kExhaust) values_.push_back(c.value(s, ncyl_ + 2));
}

std::string TraceTable::csv() const {
    std::string text;
    const std::size_t n = names_.size();
    text.reserve((rows() + 1) * n * (kShortestMax / 2));
    for (std::size_t c = 0; c < n; ++c) {
        if (c > 0) text += ',';
        text += names_[c] + " [" + units_[c] + "]";
    }
    text += '\n';
    char field[kShortestMax + 1];
    for (std::size_t i = 0; i < values_.size(); ++i) {
        text.append(field, put_shortest(field, values_[i]));
        text += (i + 1) % n == 0 ? '\n' : ',';
    }
    return text;
}

}  // namespace diesel
