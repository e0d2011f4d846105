#include "report/console_lines.hpp"

#include <cmath>
#include <cstdio>

namespace diesel {

namespace {

// Large enough for every float in %f form plus the labels, so snprintf never cuts.
constexpr int kLineBytes = 512;

void put(std::ostream& out, const char* line, int len) {
    if (len < 0) {
        return;
    }
    if (len >= kLineBytes) {
        len = kLineBytes - 1;
    }
    out.write(line, len);
}

// The value as printf takes it, every NaN with its sign bit cleared: printf
// shows the sign of a NaN ("-nan"), and which sign a NaN gets depends on the
// operation and the build that made it. The console shows "nan" either way.
double shown(float v) { return std::isnan(v) ? std::fabs(static_cast<double>(v)) : static_cast<double>(v); }

}  // namespace

void write_cycle_line1(const RunState& s, std::ostream& out) {
    const float brake = (s.WORK - s.QFRI) / 1000.0f;  // kJ
    const float hex = s.HEX / 1000.0f;                // kJ
    const float qlos = s.QLOS / 1000.0f;              // kJ
    const float qfri = s.QFRI / 1000.0f;              // kJ
    const float hfuel = s.HFUEL / 1000.0f;            // kJ
    char line[kLineBytes];
    const int len = std::snprintf(
        line, sizeof line,
        "brake work %9.4f kJ  exh. enthalpy %9.4f kJ  wall heat %9.4f kJ  "
        "friction %9.4f kJ  fuel %9.4f kJ\n",
        shown(brake), shown(hex), shown(qlos),
        shown(qfri), shown(hfuel));
    put(out, line, len);
}

void write_cycle_line2(const RunState& s, std::ostream& out) {
    char line[kLineBytes];
    const int len = std::snprintf(
        line, sizeof line, "cycle %4d  charge ratio %8.4f  vol. eff. %7.4f  pe %8.3f bar\n",
        static_cast<int>(s.ICYC), shown(s.TRAPR), shown(s.NV),
        shown(s.PE));
    put(out, line, len);
}

void write_final_line(const RunState& s, std::ostream& out) {
    char line[kLineBytes];
    const int len = std::snprintf(
        line, sizeof line,
        "final  vol. eff. %7.4f  pe %8.3f bar  exhaust window %d .. %d  exhaust mass %.5e kg\n",
        shown(s.NV), shown(s.PE), static_cast<int>(s.ICA1),
        static_cast<int>(s.ICA2), shown(s.EXMASS));
    put(out, line, len);
}

void write_continue_record(std::ostream& fort12) {
    fort12.put('\n');
}

}  // namespace diesel
