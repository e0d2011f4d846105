#include "report/summary_reports.hpp"

#include <string>

#include "report/number_format.hpp"

namespace diesel {

namespace {

// Raw bytes of the two Greek-letter labels, written without any conversion.
constexpr char kByteAD = '\xAD';
constexpr char kByteE7 = '\xE7';

void put_line(std::ostream& out, const std::string& line) {
    out << line << '\n';
}

}  // namespace

void write_fort13(const RunState& s, std::ostream& out) {
    put_line(out, "n =" + fixed_field(s.SPEED, 5, 0) + "  rpm");
    put_line(out, "pe=" + fixed_field(s.PE, 5, 1) + "  bar");
    put_line(out, "be=" + fixed_field(s.QF * 10.0f, 5, 1) + "  mm3/hub");  // 10 mm3 -> mm3
    put_line(out, "nv=" + fixed_field(s.NV, 5, 2));
    put_line(out, "pm=" + fixed_field(s.PM, 5, 2) + "  bar");
    put_line(out, "tex=" + fixed_field(s.TEX, 5, 0) + "  oC");
    put_line(out, "lambda =" + fixed_field(s.LAMBDA, 5, 2));
    put_line(out, "inj=" + fixed_field(s.SOCDEG, 5, 0) + "  deg");
    put_line(out, fixed_field(s.FAIN, 5, 2) + fixed_field(s.FAEX, 5, 2) +
                      fixed_field(s.FA3, 5, 2));
    put_line(out, "[O2]=" + fixed_field(s.PSO2, 4, 1) + "%");
    put_line(out, "m=" + fixed_field(s.MWIEB, 5, 2) + "     " + kByteAD + "z=" +
                      fixed_field(s.DURCDEG, 5, 0));
    put_line(out, "K3=" + fixed_field(s.K3, 8, 6));
    put_line(out, "be=" + fixed_field(s.BE, 5, 0) + "   g/KWh");
    put_line(out, kByteE7 + std::string("i=") + fixed_field(s.ETAI, 5, 3));
    put_line(out, "Tm=" + fixed_field(s.TCM, 5, 0) + "   K");
    put_line(out, "Rest=" + fixed_field(s.RESID * 100.0f, 3, 0) + "%");  // fraction -> %
}

void write_fort15(const RunState& s, std::ostream& out) {
    put_line(out, "n =" + fixed_field(s.SPEED, 5, 0) + "  rpm");
    put_line(out, "pe=" + fixed_field(s.PE, 5, 1) + "  bar");
    put_line(out, "be=" + fixed_field(s.QF * 10.0f, 5, 1) + "  mm3/hub");
    put_line(out, "be=" + fixed_field(s.BE, 5, 0) + "   g/KWh");
    put_line(out, "nv=" + fixed_field(s.NV, 5, 2));
    put_line(out, "pm=" + fixed_field(s.PM, 5, 2) + "  bar");
    put_line(out, "tex=" + fixed_field(s.TEX, 5, 0) + "  oC");
    put_line(out, "PSO2=" + fixed_field(s.PSO2, 6, 2));
    put_line(out, "WLAM=" + fixed_field(s.WLAM, 6, 2));
    put_line(out, "CLA=" + fixed_field(s.AOUT, 5, 2));
    put_line(out, "QLV1=" + fixed_field(s.QLV1, 9, 1));
    put_line(out, "QLV2=" + fixed_field(s.QLV2, 9, 1));
    put_line(out, "K1=" + fixed_field(s.MWIEB, 5, 2));
    put_line(out, "TCOM=" + fixed_field(s.DURCDEG, 5, 2));
}

void write_fort16(const RunState& s, std::ostream& out) {
    put_line(out, "HFUEL=" + fixed_field(s.HFUEL, 9, 1));
    put_line(out, "QFRI=" + fixed_field(s.QFRI, 9, 1));
    put_line(out, "WORK=" + fixed_field(s.WORK, 9, 1));
    put_line(out, "HEX=" + fixed_field(s.HEX, 9, 1));
    put_line(out, "QLOS=" + fixed_field(s.QLOS, 9, 1));
    put_line(out, "QLKOP=" + fixed_field(s.QLKOP, 9, 1));
    put_line(out, "QLKOL=" + fixed_field(s.QLKOL, 9, 1));
    put_line(out, "QLLAU=" + fixed_field(s.QLLAU, 9, 1));
    put_line(out, "HTM=" + fixed_field(s.HTM, 9, 1));
    put_line(out, "HTM2=" + fixed_field(s.HTM2, 9, 1));
    put_line(out, "TCM=" + fixed_field(s.TCM, 9, 1));
    put_line(out, "QUKOP=" + fixed_field(s.QUKOP, 9, 1));
}

}  // namespace diesel
