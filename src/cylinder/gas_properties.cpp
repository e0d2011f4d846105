#include "cylinder/gas_properties.hpp"

#include "state/lanes.hpp"

namespace diesel {

namespace {

// The properties of zone k; slots past nz keep what they hold.
template <bool Chunked>
[[gnu::always_inline]] inline void zone_properties(RunState& s, int32_t k, int32_t nz) {
    const float T = s.TEMP[k];
    const float E = s.EQR[k];
    const float T2 = T * T;
    const float T3 = T * T2;
    const float T4 = T2 * T2;
    const float T5 = T * T4;
    const float UAIR = 1000.0f * ((((0.692f * T + 3.917e-5f * T2) + 5.29e-8f * T3) - 2.2862e-11f * T4) + 2.7758e-15f * T5);
    // The large constant term makes burnt gas hold less energy than air at
    // the same temperature; with the heating value it closes the energy balance.
    const float UEQR = 0.0676f * (1000.0f * ((((3049.39f - 0.057f * T) - 9.5e-5f * T2) + 2.153e-8f * T3) - 2.0026e-12f * T4));
    const float RGAS = 1000.0f * (0.02f * E + 0.287f);
    // Exact temperature derivatives of UAIR and UEQR.
    const float CVAIR = 1000.0f * ((((7.834e-5f * T + 0.692f) + 1.587e-7f * T2) - 9.1448e-11f * T3) + 1.3879e-14f * T4);
    const float CVEQR = 0.0676f * (1000.0f * (((-0.057f - 1.9e-4f * T) + 6.459e-8f * T2) - 8.0104e-12f * T3));
    put<Chunked>(s.UAIR, k, nz, UAIR);
    put<Chunked>(s.UEQR, k, nz, UEQR);
    put<Chunked>(s.RGAS, k, nz, RGAS);
    put<Chunked>(s.CVAIR, k, nz, CVAIR);
    put<Chunked>(s.CVEQR, k, nz, CVEQR);
    put<Chunked>(s.XMIX, k, nz, 0.0676f * E + 1.0f);
    put<Chunked>(s.CVGAS, k, nz, CVAIR - CVEQR * E);
    put<Chunked>(s.UGAS, k, nz, UAIR - UEQR * E);
    put<Chunked>(s.PRES, k, nz, ((s.MASS[k] * RGAS) * T) / s.VOL[k]);
}

}  // namespace

void gas_properties(RunState& s) {
    const int32_t nz = s.NCYL + 2;
    if (nz <= kLanes) {
        // All zones of a one- or two-cylinder engine in one chunk: one vector
        // operation per step of the formulas instead of a scalar loop.
        for (int32_t k = 1; k <= kLanes; ++k) zone_properties<true>(s, k, nz);
        return;
    }
    for (int32_t k = 1; k <= nz; ++k) zone_properties<false>(s, k, nz);
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
