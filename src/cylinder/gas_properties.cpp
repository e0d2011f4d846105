#include "cylinder/gas_properties.hpp"

#include "state/lanes.hpp"

namespace diesel {

void gas_properties(RunState& s) {
    const int32_t nz = s.NCYL + 2;
    for (int32_t k = 1; k <= nz; ++k) {
        const float T = s.TEMP[k];
        const float E = s.EQR[k];
        const float T2 = T * T;
        const float T3 = T * T2;
        const float T4 = T2 * T2;
        const float T5 = T * T4;
        s.UAIR[k] = 1000.0f * ((((0.692f * T + 3.917e-5f * T2) + 5.29e-8f * T3) - 2.2862e-11f * T4) + 2.7758e-15f * T5);
        // The large constant term makes burnt gas hold less energy than air at
        // the same temperature; with the heating value it closes the energy balance.
        s.UEQR[k] = 0.0676f * (1000.0f * ((((3049.39f - 0.057f * T) - 9.5e-5f * T2) + 2.153e-8f * T3) - 2.0026e-12f * T4));
        s.RGAS[k] = 1000.0f * (0.02f * E + 0.287f);
        // Exact temperature derivatives of UAIR and UEQR.
        s.CVAIR[k] = 1000.0f * ((((7.834e-5f * T + 0.692f) + 1.587e-7f * T2) - 9.1448e-11f * T3) + 1.3879e-14f * T4);
        s.CVEQR[k] = 0.0676f * (1000.0f * (((-0.057f - 1.9e-4f * T) + 6.459e-8f * T2) - 8.0104e-12f * T3));
        s.XMIX[k] = 0.0676f * E + 1.0f;
        s.CVGAS[k] = s.CVAIR[k] - s.CVEQR[k] * E;
        s.UGAS[k] = s.UAIR[k] - s.UEQR[k] * E;
        s.PRES[k] = ((s.MASS[k] * s.RGAS[k]) * T) / s.VOL[k];
    }
}

namespace {

template <bool Chunked>
void kappa_lanes(const RunState& s, ZoneArray& kappa) {
    const int32_t e = s.NCYL + 2;
    const float C = s.EQR[e] * 0.0372f + 0.005f;
    const float EQRE = s.EQR[e];
    for_cylinders<Chunked>(s.NCYL, [&](int32_t j) {
        kappa[j] = ((76.7f / s.TEMP[j]) + 1.259f) - (C * s.EQR[j]) / EQRE;
    });
}

}  // namespace

// kappa is the caller's, never part of s: __restrict spares each vector chunk
// a run-time overlap check.
void kappa_cylinders(const RunState& __restrict s, ZoneArray& __restrict kappa) {
    chunked(s.NCYL) ? kappa_lanes<true>(s, kappa) : kappa_lanes<false>(s, kappa);
}

float kappa_outlet(const RunState& s) {
    const int32_t e = s.NCYL + 2;
    return (76.7f / s.TEMP[e] + 1.254f) - s.EQR[e] * 0.0372f;
}

float kappa_supply(const RunState& s) {
    return 1.438f - s.TEMP[s.NCYL + 1] * 0.000105f;
}

}  // namespace diesel
