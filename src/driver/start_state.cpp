#include "driver/start_state.hpp"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace diesel {

namespace {

// Calls f(q...) with the same carried quantity of every state given, for
// every quantity that one cycle hands on to the next apart from the step
// control: one list, so that taking, giving and moving on cannot drift apart.
template <class F, class... S>
void for_each_carried(F f, S&... s) {
    f(s.MASS...), f(s.TEMP...), f(s.EQR...), f(s.MASS0...), f(s.TEMP0...), f(s.EQR0...);
    f(s.DMASS...), f(s.DTEMP...), f(s.DEQR...);
    f(s.TIVC...), f(s.PIVC...), f(s.PREFM...), f(s.TREFM...), f(s.HCOOL...);
    f(s.TRPRES...), f(s.TRMASS...), f(s.TRTEMP...), f(s.TREQR...), f(s.TRPEXR...), f(s.TRMEXR...), f(s.TRTEXR...);
    f(s.TRHTC...), f(s.TRHTCT...), f(s.TRQWALL...), f(s.TRQHEAD...), f(s.TRQPIST...), f(s.TRQLINER...), f(s.TRHEX...);
}

template <class To, class From>
void carry(To& to, const From& from) {
    for_each_carried([](auto& t, const auto& f) { std::memcpy(&t, &f, sizeof t); }, to, from);
    to.DPH = from.DPH;
    to.NSMALL = from.NSMALL;
}

// The zone states a run can start from: finite, masses and temperatures
// above zero, equivalence ratios not below it.
bool physical(const StartState& s) {
    bool ok = std::isfinite(s.QF) && std::isfinite(s.PE) && std::isfinite(s.FMEP);
    for_each_carried(
        [&ok](const auto& q) {
            if constexpr (std::is_array_v<std::remove_reference_t<decltype(q)>>) {
                for (const float v : q) ok = ok && std::isfinite(v);
            } else {
                ok = ok && std::isfinite(q);
            }
        },
        s);
    for (int32_t k = 1; k <= s.NCYL + 2 && ok; ++k) {
        ok = s.MASS[k] > 0.0f && s.MASS0[k] > 0.0f && s.TEMP[k] > 0.0f && s.TEMP0[k] > 0.0f && s.EQR[k] >= 0.0f &&
             s.EQR0[k] >= 0.0f;
    }
    return ok;
}

}  // namespace

std::unique_ptr<StartState> start_state_of(const RunState& end) {
    auto start = std::make_unique<StartState>();
    start->NCYL = end.NCYL;
    start->ANGST = end.ANGST;
    start->DPHI = end.DPHI;
    start->QF = end.QF;
    start->PE = end.PE;
    start->FMEP = end.FMEP;
    carry(*start, end);
    if (!physical(*start)) return nullptr;
    return start;
}

std::unique_ptr<StartState> shifted(const StartState& base, const StartState& from, const StartState& to, float ratio) {
    const auto same_layout = [](const StartState& a, const StartState& b) {
        return a.NCYL == b.NCYL && a.ANGST == b.ANGST && a.DPHI == b.DPHI;
    };
    if (!same_layout(base, from) || !same_layout(base, to)) return nullptr;
    if (!(ratio > 0.0f && ratio <= kMaxExtrapolation)) return nullptr;
    auto next = std::make_unique<StartState>(base);
    const auto move_on = [ratio](auto& n, const auto& f, const auto& t) {
        if constexpr (std::is_array_v<std::remove_reference_t<decltype(n)>>) {
            for (std::size_t i = 0; i < std::extent_v<std::remove_reference_t<decltype(n)>>; ++i)
                n[i] = n[i] + (t[i] - f[i]) * ratio;
        } else {
            n = n + (t - f) * ratio;
        }
    };
    for_each_carried(move_on, *next, from, to);
    move_on(next->QF, from.QF, to.QF);
    move_on(next->PE, from.PE, to.PE);
    move_on(next->FMEP, from.FMEP, to.FMEP);
    if (!physical(*next)) return nullptr;
    return next;
}

std::unique_ptr<StartState> extrapolated(const StartState& before, const StartState& last, float ratio) {
    return shifted(last, before, last, ratio);
}

bool start_from(RunState& s, const StartState& start) {
    if (start.NCYL != s.NCYL || start.ANGST != s.ANGST || start.DPHI != s.DPHI) return false;
    carry(s, start);
    if (s.LOADC == 1) {
        // At one speed the indicated mean effective pressure follows the fuel:
        // the fuel quantity of the start scaled to this run's target.
        const float scaled = start.QF * ((s.PETARG + start.FMEP) / (start.PE + start.FMEP));
        s.QF = std::isfinite(scaled) && scaled > 0.0f ? scaled : start.QF;
    }
    return true;
}

}  // namespace diesel
