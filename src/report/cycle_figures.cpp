#include "report/cycle_figures.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "report/console_lines.hpp"

namespace diesel {

namespace {

// Truncation toward zero of a float that may be non-finite or beyond int32;
// such values become 0, which is never a table entry.
int32_t trunc_to_int(float v) {
    if (!(std::fabs(v) < 2147483520.0f)) return 0;
    return static_cast<int32_t>(v);
}

bool in_table(int32_t i) { return i >= 1 && i <= kHistorySlots; }

void warn_once(RunState& s, std::ostream* diag, int32_t bit, const char* text) {
    if ((s.WARNED & bit) != 0) return;
    s.WARNED |= bit;
    if (diag != nullptr) *diag << "diesel-cycle: warning: " << text << '\n';
}

}  // namespace

void cycle_figures(RunState& s, std::ostream& console, std::ostream* diag) {
    DisplacementRates rates;
    cycle_figures(s, &console, diag, rates);
}

void cycle_figures(RunState& s, std::ostream* console, std::ostream* diag, DisplacementRates& rates) {
    s.HEX = 0.0f;
    s.TEX = 0.0f;
    s.QLOS = 0.0f;
    s.WORK = 0.0f;
    float SUMHTT = 0.0f;  // sum of HTC*T*DPH [W K/(m2 K) deg]
    s.QLLAU = 0.0f;
    s.PM = 0.0f;
    float SUMHT = 0.0f;   // sum of DPH*HTC
    s.QLKOP = 0.0f;
    s.QLV1 = 0.0f;
    s.QLKOL = 0.0f;
    s.QLV2 = 0.0f;
    s.HTM2 = 0.0f;

    // The step the history was recorded at [deg]. Only full steps are
    // recorded (a refined tenth step is recorded as the full step it
    // completes), so a cycle that ends inside a refinement, with DPH still a
    // tenth of DPHI, sums its entries with DPHI. At the end of a full step DPH
    // is DPHI itself.
    const float DPHREC = s.DPH < s.DPHIR ? s.DPHI : s.DPH;

    // Exhaust-valve window: entry numbers of the valve events on the history scale.
    s.ICA1 = trunc_to_int(std::fmod(s.EVO - s.ANGST, 720.0f) + 720.0f);
    s.ICA2 = trunc_to_int(std::fmod(s.EVC - s.ANGST, 720.0f) + 720.0f);
    if (s.ICA2 - s.ICA1 + 1 > 0) {
        // The divisor is the number of entries minus one.
        const float D = static_cast<float>(s.ICA2 - s.ICA1);
        for (int32_t i = s.ICA1; i <= s.ICA2; ++i) {
            if (!in_table(i)) {
                warn_once(s, diag, kWarnExhaustWindow,
                          "the exhaust-valve window reaches outside the history entries 1 to 821; "
                          "entries outside them are left out of HTM2 and QLV2");
                continue;
            }
            s.HTM2 = s.HTM2 + (DPHREC * s.TRHTC[i]) / D;
            s.QLV2 = s.QLV2 + s.TRHTCT[i];
        }
    }

    // Always 720 entries. The rates of a step are the same every cycle.
    if (!rates.formed || rates.stepBits != std::bit_cast<uint32_t>(DPHREC)) {
        float PHIE = s.ANGST;
        for (int32_t j = 1; j <= 720; ++j) {
            PHIE = PHIE + DPHREC;
            const float x = s.PI * PHIE / 180.0f;
            const float sn = std::sin(x);
            const float cs = std::cos(x);
            s.TRDVOL[j] = ((std::pow(s.CONSQ - (sn * sn) * s.RADSQ, -0.5f) * s.STRSQ * 0.25f * sn * cs * s.OMEGA +
                            s.STROKE * sn * s.OMEGA * 0.5f) *
                           (s.PI * s.BORESQ * 0.25f)) /
                          s.OMEGA;
        }
        rates.formed = true;
        rates.stepBits = std::bit_cast<uint32_t>(DPHREC);
    }
    for (int32_t j = 1; j <= 720; ++j) {
        s.WORK = s.WORK + ((s.TRPRES[j] * s.TRDVOL[j]) * DPHREC) * s.PI / 180.0f;
        s.HEX = s.HEX + s.TRHEX[j];
        s.QLOS = s.QLOS + s.TRQWALL[j];
        s.QLKOP = s.QLKOP + s.TRQHEAD[j];
        s.QLKOL = s.QLKOL + s.TRQPIST[j];
        s.QLLAU = s.QLLAU + s.TRQLINER[j];
        s.QLV1 = s.QLV1 + s.TRHTCT[j];
        SUMHTT = SUMHTT + (s.TRHTC[j] * s.TRTEMP[j]) * DPHREC;
        SUMHT = SUMHT + DPHREC * s.TRHTC[j];
        s.PM = s.PM + ((DPHREC * s.TRPEXR[j]) / 720.0f) / 100000.0f;
        s.TEX = s.TEX + (DPHREC * s.TRTEXR[j]) / 720.0f;
    }

    // SPEED/120 is the number of cycles per second.
    s.QUKOP = ((s.SPEED * s.QLKOP) / s.AHEAD) / 120.0f;
    s.HCOOL = std::pow(-s.QUKOP, s.HCOOLX) * s.HCOOLC;
    s.HTM = ((SUMHT / (s.PI * 4.0f)) * s.PI) / 180.0f;
    s.TCM = SUMHTT / SUMHT;

    s.FMEP = ((s.CR - 4.0f) * s.FRCR) / 14.5f + s.SPEED * 0.000475f + (s.CMEAN * s.CMEAN) * 0.00395f;
    s.QFRI = ((s.VH * s.FMEP) * 100000.0f) / s.FNCYL;
    s.PE = ((s.WORK / s.VH) * 1.0E-5f) * s.FNCYL - s.FMEP;

    s.TEX = s.TEX - 273.0f;
    s.PM = s.PM - 1.0f;

    const float F = s.QF * 0.825f;  // fuel mass [1.0E-5 kg]
    s.NV = (s.EXMASS - ((F / 1000.0f) * s.FNCYL) / 100.0f) / (s.VH * 1.2f);
    s.HFUEL = (F * 43000000.0f) / 100000.0f;
    s.BE = (F * 36000.0f) / (s.WORK - s.QFRI);
    s.ETAI = s.WORK / s.HFUEL;

    if (console != nullptr) write_cycle_line1(s, *console);

    // Charge mass 30 degrees before the 720-degree mark of the crank-angle scale.
    const int32_t IA = trunc_to_int(720.0f - s.ANGST - 30.0f);
    const int32_t k = IA - 720 * (IA / 720);
    if (in_table(k)) {
        s.TRAPR = (((s.CR / (s.CR - 1.0f)) * (s.TRMASS[k] / s.VH)) / 1.2f) * s.FNCYL;
    } else {
        warn_once(s, diag, kWarnChargeEntry,
                  "the charge-mass entry 30 degrees before the 720-degree mark is not a history entry "
                  "for this ANGST; the charge-mass ratio is shown as NaN");
        s.TRAPR = std::numeric_limits<float>::quiet_NaN();
    }
    if (console != nullptr) write_cycle_line2(s, *console);
}

void final_figures(RunState& s) {
    s.WLAM = (((s.VH / s.FNCYL) * s.NV) / s.QF) * 10400.0f;
    s.PSO2 = 100.0f / (4.44f / (s.WLAM - 1.0f) + 4.76f);
    s.RESID = (s.TRMASS[300] - (s.EXMASS / s.FNCYL - (s.QF * 0.825f) / 100000.0f)) / s.TRMASS[300];
    s.LAMBDA = 1.0f / s.TREQR[350];
    s.SOCDEG = s.SOC * 180.0f / s.PI;
    s.DURCDEG = (s.DURC * 180.0f) / s.PI;
}

}  // namespace diesel
