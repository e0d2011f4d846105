#include "case/example_case.hpp"

#include "case/fort_files.hpp"

namespace diesel {

namespace {

// The fort files of examples/c1_fixed; a test keeps them equal to the example.
constexpr const char* kFort3 =
R"(2000.0  2  7.0  3.5  1                                                   ! SPEED[rpm] MODE PETARG[bar] FUEL[10mm3] NCYL
)";

constexpr const char* kFort2 =
R"(0.100  0.100  0.160  4  17.0  0.004  0.004                               ! BORE STROKE CONROD[m] NCYLE CR VINL VEXR[m3]
0.010  0.012  0.0095  0.0125  0.060  6.0E-4  0.020  60.0  20000.0        ! SHEAD SPIST[m] AHEAD APIST AER AINF[m2] DRV[m] FRV[N] KRV[N/m]
90.0  340.0  576.0  130.0  370.0  7.0E-4  6.0E-4  6.0  75.0  0.8  1.0  0.5 ! TCOOL[C] IVO IVC EVO EVC[deg] AIMAX AEMAX[m2] SOC DURC0[deg] MWIEB0 TIDR EQRREF
2000.0  540.0  95000.0  95000.0  340.0  1.0  140.0  2.28  0.00324  1.35  1.34  40  1.0  8 ! SPEEDR[rpm] ANGST[deg] PIVC PREFM[Pa] TREFM[K] SWIRL CWOS CW1 K3 KAPPA PEXP MAXCYC DPHI[deg] ITMAX
3000.0  50.0  50.0  0.4  0.5  1.0  1.0  1.0                              ! HCOOL[W/m2K] LHEAD LPIST[W/mK] XDUREQ XDURN FAIN FAEX FA3
5.0  0.6  0.5  1.0  5.0  1.0                                             ! HCOOLC HCOOLX EQREX0 FRCR[bar] PIOFF[bar] FAINLS
0  1.2  0.05  8.0  1.0E-5  1.0E-8  0.01  0.1  2.0E-6  2.0E-6  0.0        ! IRES EQRMAX DPEMIN[bar] FUELMX[10mm3] TOLEQR TOLM[kg] TOLT[K] TOLPE[bar] TOLCYM TOLEXM[kg] RRES
8.8E-4  330.0  0.05                                                      ! cylinder 1 at ANGST: MASS0[kg] TEMP0[K] EQR0
4.7E-3  293.0  0.0                                                       ! intake receiver: MASS0[kg] TEMP0[K] EQR0
1.9E-3  700.0  0.40                                                      ! exhaust receiver: MASS0[kg] TEMP0[K] EQR0
)";

}  // namespace

Case example_case() {
    Case c = read_fort_files(std::string(kFort3), std::string(kFort2));
    // The values keep their texts, but no longer name a file they came from.
    for (const InputItem& it : input_items()) {
        ValueSource source = c.source(it.id);
        source.kind = ValueSource::Kind::Program;
        if (it.type == ItemType::Real) c.set_real(it.id, c.real(it.id), source);
        else c.set_integer(it.id, c.integer(it.id), source);
    }
    return c;
}

}  // namespace diesel
