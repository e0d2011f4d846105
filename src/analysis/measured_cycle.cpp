#include "analysis/measured_cycle.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/analysis_error.hpp"
#include "analysis/cycle_angles.hpp"
#include "report/number_format.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

// Samples averaged across cycles may lie this share of a step apart.
constexpr double kAlign = 0.05;
// Far above any cylinder pressure, and below any pressure written in Pa by mistake [bar].
constexpr double kMaxPressure = 5000.0;

[[noreturn]] void fail(const std::string& what) { throw AnalysisError(kExitFileError, what); }

std::string lines(const PressureTrace& t, size_t from, size_t to) {
    return t.name + ", lines " + std::to_string(t.line[from]) + "-" + std::to_string(t.line[to]);
}

// Whole cycles of 720 deg at the start of the trace, each `per` samples long
// and lying 720 deg after the one before (checked sample by sample for the
// first `check` cycles; a mismatch there is an error).
int32_t whole_cycles(const PressureTrace& t, size_t per, int32_t check) {
    const double h = t.step;
    int32_t whole = 0;
    for (size_t c = 0; (c + 1) * per <= t.angle.size(); ++c) {
        const size_t first = c * per;
        if (t.angle[first + per - 1] - t.angle[first] < 720.0 - 1.5 * h) break;
        for (size_t j = 0; j < per; ++j) {
            const double expected = t.angle[j] + 720.0 * static_cast<double>(c);
            if (std::fabs(t.angle[first + j] - expected) <= kAlign * h) continue;
            if (static_cast<int32_t>(c) >= check) return whole;
            fail(t.name + ", line " + std::to_string(t.line[first + j]) + ": cycle " + std::to_string(c + 1) +
                 " does not line up with the first: its sample lies at " + message_number(t.angle[first + j]) + " deg, not 720 deg after " +
                 message_number(t.angle[j]) + " deg of line " + std::to_string(t.line[j]) +
                 " (a cycle must hold a whole number of steps to be averaged)");
        }
        ++whole;
    }
    return whole;
}

}  // namespace

MeasuredCycle measured_cycle(const PressureTrace& t, double tdcShift, int32_t cycles, const NeededRange& need) {
    const size_t n = t.angle.size();
    const double h = t.step;
    size_t per = 0;  // samples of the first cycle
    while (per < n && t.angle[per] - t.angle[0] < 720.0 - 0.5 * h) ++per;

    MeasuredCycle c;
    c.name = t.name;
    c.step = h;
    c.cyclesAveraged = cycles;
    c.cyclesInFile = whole_cycles(t, per, cycles);
    if (cycles > 1 && cycles > c.cyclesInFile) {
        fail(lines(t, 0, n - 1) + ": --cycles " + std::to_string(cycles) + " asks for more cycles than the trace holds: " +
             std::to_string(c.cyclesInFile) + " whole cycle(s) of 720 deg in " + message_number(t.angle[0]) + " .. " +
             message_number(t.angle[n - 1]) + " deg");
    }
    c.fullCycle = c.cyclesInFile >= 1;
    const size_t count = c.fullCycle ? per : n;
    c.angle.resize(count);
    c.pressure.assign(count, 0.0);
    c.line.assign(t.line.begin(), t.line.begin() + static_cast<std::ptrdiff_t>(count));
    for (size_t j = 0; j < count; ++j) {
        c.angle[j] = t.angle[j] - tdcShift;
        for (int32_t k = 0; k < cycles; ++k) c.pressure[j] += t.pressure[static_cast<size_t>(k) * per + j];
        c.pressure[j] /= static_cast<double>(cycles);
    }

    if (c.fullCycle) {
        // One whole cycle is the same cycle from wherever it starts.
        for (double& a : c.angle) a = cycle_angle(a);
        const auto first = std::min_element(c.angle.begin(), c.angle.end()) - c.angle.begin();
        std::rotate(c.angle.begin(), c.angle.begin() + first, c.angle.end());
        std::rotate(c.pressure.begin(), c.pressure.begin() + first, c.pressure.end());
        std::rotate(c.line.begin(), c.line.begin() + first, c.line.end());
        return c;
    }
    // Firing TDC lies at every multiple of 720 deg: find the one whose
    // compression and expansion the samples cover.
    const double tol = 0.5 * h;
    const double f = c.angle.front();
    const double l = c.angle.back();
    const double k = std::ceil((f - need.from - tol) / 720.0);
    if (!(l - 720.0 * k >= need.to - tol)) {
        std::string shifted = tdcShift != 0.0 ? " after --tdc-shift " + message_number(tdcShift) : std::string();
        fail(lines(t, 0, n - 1) + ": the trace covers " + message_number(f) + " .. " + message_number(l) + " deg" + shifted +
             " (firing TDC at 0 and every multiple of 720); the analysis needs " + need.what + ", " + message_number(need.from) +
             " .. " + message_number(need.to) + " deg from firing TDC");
    }
    for (double& a : c.angle) a -= 720.0 * k;
    return c;
}

double peg_pressure(MeasuredCycle& c, double angle, double pressure) {
    auto distance = [&](double a) {
        double d = a - angle;
        if (c.fullCycle) d -= 720.0 * std::round(d / 720.0);
        return d;
    };
    double sum = 0.0;
    int32_t count = 0;
    for (size_t i = 0; i < c.angle.size(); ++i) {
        if (std::fabs(distance(c.angle[i])) <= 2.5 + 1e-9) {
            sum += c.pressure[i];
            ++count;
        }
    }
    double level = 0.0;
    if (count > 0) {
        level = sum / count;
    } else {
        // Coarser than 5 deg: the two samples around the angle, interpolated.
        size_t i = 0;
        while (i + 2 < c.angle.size() && distance(c.angle[i + 1]) < 0.0) ++i;
        const double w = -distance(c.angle[i]) / (c.angle[i + 1] - c.angle[i]);
        level = c.pressure[i] + w * (c.pressure[i + 1] - c.pressure[i]);
    }
    const double offset = pressure - level;
    for (double& p : c.pressure) p += offset;
    return offset;
}

void require_absolute_pressure(const MeasuredCycle& c) {
    for (size_t i = 0; i < c.pressure.size(); ++i) {
        const std::string where = c.name + ", line " + std::to_string(c.line[i]) + ": pressure " + message_number(c.pressure[i]) +
                                  " bar at " + message_number(c.angle[i]) + " deg";
        if (!(c.pressure[i] > 0.0)) {
            fail(where + " is not positive; the analysis needs absolute pressure (--peg levels a sensor that "
                         "measures only changes)");
        }
        if (c.pressure[i] > kMaxPressure) {
            fail(where + " is above " + message_number(kMaxPressure) + " bar, which no cylinder holds; is it in bar?");
        }
    }
}

}  // namespace diesel
