#include "driver/simulation.hpp"

#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "cylinder/combustion.hpp"
#include "driver/crank_step.hpp"
#include "input/run_setup.hpp"
#include "input/start_table.hpp"
#include "report/console_lines.hpp"
#include "report/cycle_figures.hpp"
#include "report/history.hpp"
#include "report/result_check.hpp"
#include "report/summary_reports.hpp"
#include "report/trace_files.hpp"

namespace diesel {

namespace {

const char* zone_name(const RunState& s, int32_t k, char (&buf)[32]) {
    if (k == s.NCYL + 1) return "intake receiver";
    if (k == s.NCYL + 2) return "exhaust receiver";
    std::snprintf(buf, sizeof buf, "cylinder %d", static_cast<int>(k));
    return buf;
}

// First zone whose mass, temperature or EQR is not finite, or 0.
int32_t first_non_finite_zone(const RunState& s, const char*& what) {
    for (int32_t k = 1; k <= s.NZONE; ++k) {
        if (!std::isfinite(s.MASS[k])) { what = "mass"; return k; }
        if (!std::isfinite(s.TEMP[k])) { what = "temperature"; return k; }
        if (!std::isfinite(s.EQR[k])) { what = "equivalence ratio"; return k; }
    }
    return 0;
}

std::string where(int32_t cycle, float phi) {
    char buf[96];
    std::snprintf(buf, sizeof buf, " (cycle %d, crank angle %.2f deg)", static_cast<int>(cycle),
                  static_cast<double>(phi));
    return buf;
}

class Driver {
public:
    Driver(RunState& s, const OutputSinks& out, const StartState* start)
        : s_(s), out_(out), start_(start),
          traced_(out.fort8 != nullptr || out.fort9 != nullptr || out.fort10 != nullptr) {}

    RunOutcome run() {
        set_up_run(s_);
        // The one place a warm start enters: after set-up, before the first cycle.
        if (start_ != nullptr) start_from(s_, *start_);
        head_ = std::make_unique<StepHead>(s_);
        if (traced_) write_trace_headers(to(out_.fort8), to(out_.fort9), to(out_.fort10));
        RunOutcome outcome = cycles();
        final_reports();
        if (outcome.end == RunEnd::Completed) check_result(outcome);
        // A state that turned non-finite leaves no start table worth keeping:
        // the old one stays rather than being replaced by rows of NaN.
        if (s_.NCYL <= 2 && outcome.end != RunEnd::NonFiniteState) {
            if (out_.startTableText) outcome.startTable = start_table_text(s_);
            outcome.rewritesStartTable = true;
        }
        return outcome;
    }

private:
    // A completed output cycle whose figures are not finite is no result.
    void check_result(RunOutcome& outcome) const {
        const NonFiniteFigure bad = first_non_finite_figure(s_);
        if (bad.name == nullptr) return;
        outcome.end = RunEnd::NonFiniteResult;
        outcome.reason = std::string("run ended without a meaningful result: the output cycle was completed, but ") +
                         bad.name + " = " + (std::isnan(bad.value) ? "nan" : bad.value > 0.0f ? "inf" : "-inf") +
                         (*bad.unit != '\0' ? std::string(" ") + bad.unit : std::string()) + " is not a finite number" +
                         where(outcome.cycle, outcome.phi);
    }

    // `phi` is the crank angle where the rule fired: the step's end inside a
    // cycle, the cycle's last step at a cycle end (PHI itself is reset by then).
    RunOutcome stop(RunEnd end, int32_t cycle, float phi, const std::string& text) {
        RunOutcome o;
        o.end = end;
        o.cycle = cycle;
        o.phi = phi;
        if (end != RunEnd::Completed) o.reason = "run stopped: " + text + where(cycle, phi);
        return o;
    }

    RunOutcome cycles() {
        char buf[160];
        for (;;) {
            // Cycle head.
            if (s_.ICYC > 0) {
                s_.EXMASS = 0.0f;
                s_.SUPMASS = 0.0f;
                s_.TIVC = (s_.VIVC * s_.PIVC) / (s_.TRMASS[s_.KIVC] * 287.0f);
            }
            wiebe_exponent(s_);
            const float outputCycle = (s_.CONV >= 1.0f && s_.FINAL >= 1.0f) ? 1.0f : 0.0f;

            // Crank-angle steps until the cycle end.
            for (;;) {
                PassResult pass = run_step();
                if (pass == PassResult::ExhaustPressureLow) {
                    std::snprintf(buf, sizeof buf, "exhaust-receiver pressure %.1f Pa fell below 52800 Pa (0.528 bar)",
                                  static_cast<double>(s_.PRES[s_.NCYL + 2]));
                    return stop(RunEnd::ExhaustPressureLow, s_.ICYC + 1, s_.PHI, buf);
                }
                const char* what = nullptr;
                if (const int32_t k = first_non_finite_zone(s_, what); k != 0) {
                    char name[32];
                    std::snprintf(buf, sizeof buf, "the %s of zone %d (%s) is no longer a finite number", what,
                                  static_cast<int>(k), zone_name(s_, k, name));
                    return stop(RunEnd::NonFiniteState, s_.ICYC + 1, s_.PHI, buf);
                }
                if (!(s_.ANGST + 720.0f > s_.PHI)) break;
            }

            // End of the cycle.
            const float cycleEnd = s_.PHI;  // crank angle of the cycle's last step [deg]
            if (s_.ICYC > 1) s_.PIVC = s_.TRPRES[s_.KIVC];
            cycle_figures(s_, out_.console, out_.diag, rates_);
            s_.ICYC = s_.ICYC + 1;
            const int32_t e = s_.NCYL + 2;
            if (s_.ICYC > 2 && s_.EQR[e] > s_.EQRMAX) {
                std::snprintf(buf, sizeof buf, "exhaust-receiver equivalence ratio %.4g exceeds EQRMAX = %.4g",
                              static_cast<double>(s_.EQR[e]), static_cast<double>(s_.EQRMAX));
                return stop(RunEnd::ExhaustEqrLimit, s_.ICYC, cycleEnd, buf);
            }
            const bool periodic = std::fabs(s_.TRMASS[720] - s_.TRMASS[1]) < s_.TOLCYM &&
                                  std::fabs(s_.TRMEXR[720] - s_.TRMEXR[1]) < s_.TOLEXM;
            if (s_.ICYC >= s_.MAXCYC) {
                // An output cycle that came out periodic is complete, whichever rule ends the loop.
                if (outputCycle >= 1.0f && periodic) return stop(RunEnd::Completed, s_.ICYC, cycleEnd, "");
                std::snprintf(buf, sizeof buf, "the cycle count reached MAXCYC = %d before the output cycle was completed",
                              static_cast<int>(s_.MAXCYC));
                return stop(RunEnd::MaxCycles, s_.ICYC, cycleEnd, buf);
            }
            s_.ISTEP = 0;
            s_.PHI = s_.ANGST;
            write_continue_record(to(out_.fort12));
            s_.PREFM = s_.TRPRES[720];
            s_.TREFM = s_.TRTEMP[720];

            if (periodic) {
                if (s_.MODE == 2) s_.CONV = 1.0f;
                if (s_.CONV == 1.0f && s_.FINAL == 1.0f) return stop(RunEnd::Completed, s_.ICYC, cycleEnd, "");
                if (s_.CONV == 1.0f) s_.FINAL = 1.0f;
                if (s_.MODE == 2) continue;
                if (s_.ICYC > 2 && std::fabs(s_.PETARG - s_.PE) < s_.TOLPE) s_.CONV = 1.0f;
                s_.QF = s_.QF + fuel_correction();
                if (!(s_.QF <= s_.FUELMX)) return stop(RunEnd::FuelLimit, s_.ICYC, cycleEnd, fuel_limit_reason(s_));
            } else {
                if (s_.MODE == 2) continue;
                if (std::fabs(s_.PETARG - s_.PE) < s_.DPEMIN) continue;
                s_.QF = s_.QF + fuel_correction();
            }
        }
    }

    // Fuel correction of the load controller [10 mm3]: the stoichiometric fuel
    // of the missing load, scaled by the friction and offset pressures.
    float fuel_correction() const {
        return ((s_.PETARG - s_.PE) * s_.VH / s_.FNCYL * 1.2f * 0.0676f * s_.EQR[s_.NCYL + 2] * 100000.0f / 0.825f) /
               (s_.FMEP + s_.PIOFF);
    }

    // One crank-angle step, refined into ten tenth-steps when its corrector
    // does not converge; returns once a step is accepted (or the run must stop).
    PassResult run_step() {
        const PassResult r = solve_step(s_, *head_);
        if (r == PassResult::Converged) accept_step();
        return r;
    }

    void accept_step() {
        // After ten small steps the full step is taken again; the tenth small
        // step is recorded as the full step.
        if (s_.NSMALL >= 10) s_.DPH = s_.DPHI;
        if (!(s_.DPHIR > s_.DPH)) {
            s_.ISTEP = s_.ISTEP + 1;
            if (s_.ISTEP <= kHistorySlots) {
                record_history(s_);
            } else if ((s_.WARNED & kWarnTooManySteps) == 0) {
                s_.WARNED |= kWarnTooManySteps;
                if (out_.diag != nullptr) {
                    *out_.diag << "diesel-cycle: warning: a cycle took more than " << kHistorySlots
                               << " recorded steps; the steps beyond them are not recorded\n";
                }
            }
            if (s_.CONV >= 1.0f && s_.FINAL >= 1.0f) {
                if (traced_) write_trace_lines(s_, to(out_.fort8), to(out_.fort9), to(out_.fort10));
                if (out_.steps != nullptr) out_.steps->traced_step(s_);
            }
        }
        if ((s_.WARNED & kWarnRichCombustion) == 0) warn_if_rich_combustion();
        end_of_step_copy(s_);
    }

    // The model burns fuel whatever the oxygen left, so a cylinder richer than
    // stoichiometric overstates work and efficiency; said once per run.
    void warn_if_rich_combustion() {
        for (int32_t j = 1; j <= s_.NCYL; ++j) {
            if (!(s_.DMF[j] > 0.0f && s_.EQR[j] > 1.0f)) continue;
            s_.WARNED |= kWarnRichCombustion;
            if (out_.diag != nullptr) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "the equivalence ratio of cylinder %d passed 1 (%.4g) while fuel burns",
                              static_cast<int>(j), static_cast<double>(s_.EQR[j]));
                *out_.diag << "diesel-cycle: warning: " << buf << where(s_.ICYC + 1, s_.PHI)
                           << "; the model has no oxygen limit, so work and efficiency are overstated\n";
            }
            return;
        }
    }

    void final_reports() {
        if (out_.console != nullptr) write_final_line(s_, *out_.console);
        final_figures(s_);
        if (out_.fort13 != nullptr) write_fort13(s_, *out_.fort13);
        if (out_.fort15 != nullptr) write_fort15(s_, *out_.fort15);
        if (out_.fort16 != nullptr) write_fort16(s_, *out_.fort16);
    }

    // A stream nobody wants drops what it is given.
    std::ostream& to(std::ostream* out) { return out != nullptr ? *out : discard_; }

    RunState& s_;
    const OutputSinks& out_;
    const StartState* start_;          // null: the start rows of the case
    const bool traced_;                // some trace file is wanted: format the trace lines
    std::ostream discard_{nullptr};    // no buffer: writes to it do nothing
    std::unique_ptr<StepHead> head_;  // formed after set-up
    DisplacementRates rates_;         // TRDVOL, formed at the first cycle end
};

}  // namespace

std::string fuel_limit_reason(const RunState& s) {
    char buf[192];
    if (std::isfinite(s.QF)) {
        std::snprintf(buf, sizeof buf, "corrected fuel quantity %.4g exceeds FUELMX = %.4g (10 mm3)",
                      static_cast<double>(s.QF), static_cast<double>(s.FUELMX));
        return buf;
    }
    // Not a quantity to print: say where it came from.
    const float divisor = s.FMEP + s.PIOFF;  // [bar]
    return std::string("the fuel correction gave no finite fuel quantity: ") +
           (!std::isfinite(s.PE)       ? "the cycle's pe is not a finite number"
            : divisor == 0.0f          ? "it divides by FMEP + PIOFF, which is zero"
            : !std::isfinite(divisor) ? "FMEP + PIOFF is not a finite number"
                                       : "the correction exceeds single precision");
}

RunOutcome run_simulation(RunState& s, const OutputSinks& out, const StartState* start) {
    return Driver(s, out, start).run();
}

}  // namespace diesel
