// The complete state of one simulation run.
//
// Index convention (used everywhere in the program):
//   * Zone arrays are indexed 1-based by the zone number k, so the code reads
//     like the model equations: k = 1 .. NCYL are the cylinders, k = NCYL+1 is
//     the intake receiver and k = NCYL+2 the exhaust receiver. Slot 0 is never
//     used. 14 zone slots limit an engine to 12 cylinders.
//   * Cylinder arrays share the zone numbering (j = 1 .. NCYL); slots NCYL+1
//     and NCYL+2 of the flow arrays carry the receivers' boundary flows.
//   * History tables are indexed 1-based by the recorded-step number ISTEP of
//     the current cycle (1 .. 821); slot 0 is never used.
//
// All physical quantities are 32-bit floats, counters and switches int32_t.
// The struct is plain data and zero-initialised: a value-initialised RunState
// ({}), is the state before the input files are read. Nothing in the program
// keeps state outside it, so any number of runs may live side by side.
#pragma once

#include <cstdint>

namespace diesel {

inline constexpr int32_t kZoneSlots = 14;      // zones an engine can have
inline constexpr int32_t kHistorySlots = 821;  // recorded steps per cycle
inline constexpr int32_t kMaxCylinders = kZoneSlots - 2;

using ZoneArray = float[kZoneSlots + 1];        // 1-based, slot 0 unused
using HistoryArray = float[kHistorySlots + 1];  // 1-based, slot 0 unused

struct RunState {
    // ---- Input set: "fort3.dat" -----------------------------------------
    float SPEED;    // engine speed [rpm]
    int32_t MODE;   // 2: fixed fuel; otherwise fuel controlled to PETARG
    float PETARG;   // target brake mean effective pressure [bar]
    float FUEL;     // fixed fuel quantity [10 mm3 per cylinder and cycle]
    int32_t NCYL;   // cylinders simulated (1 .. 12)

    // ---- Input set: "fort2.dat" record 1, geometry (VINL, VEXR go to VOL) -
    float BORE;     // cylinder bore [m]
    float STROKE;   // piston stroke [m]
    float CONROD;   // connecting-rod length [m]
    int32_t NCYLE;  // cylinders of the engine the start table is written for
    float CR;       // geometric compression ratio [-]

    // ---- record 2, walls, receiver connections, pressure-actuated valve --
    float SHEAD;    // cylinder-head wall thickness [m]
    float SPIST;    // piston wall thickness [m]
    float AHEAD;    // gas-side head area [m2]
    float APIST;    // gas-side piston area [m2]
    float AER;      // exhaust-receiver wall area [m2]
    float AINF;     // effective area of the intake-receiver air supply [m2]
    float DRV;      // seat diameter of the pressure-actuated valve [m]
    float FRV;      // spring preload of the pressure-actuated valve [N]
    float KRV;      // spring stiffness of the pressure-actuated valve [N/m]

    // ---- record 3, coolant, valve timing, combustion ---------------------
    float TCOOL;    // coolant temperature [degC in the file, K after set-up]
    float IVO;      // intake valve opening [deg]
    float IVC;      // intake valve closing [deg]
    float EVO;      // exhaust valve opening [deg]
    float EVC;      // exhaust valve closing [deg]
    float AIMAX;    // full-open intake valve area [m2], scaled at set-up
    float AEMAX;    // full-open exhaust valve area [m2], scaled at set-up
    float SOC;      // start of combustion before firing TDC [deg in file, rad after set-up]
    float DURC0;    // reference combustion duration [deg in file, rad after set-up]
    float MWIEB0;   // reference Wiebe shape exponent [-]
    float TIDR;     // enters only as sqrt(TIDR/TIDR) [-]
    float EQRREF;   // reference equivalence ratio of the burn-duration law [-]

    // ---- record 4, reference state, heat transfer, run control -----------
    float SPEEDR;   // reference speed of the combustion laws [rpm]
    float ANGST;    // crank angle of cylinder 1 at every cycle start [deg]
    float PIVC;     // cylinder pressure at intake closing [Pa], renewed per cycle
    float PREFM;    // pressure of the shape-exponent law [Pa], renewed per cycle
    float TREFM;    // temperature of the shape-exponent law [K], renewed per cycle
    float SWIRL;    // swirl ratio [-]
    float CWOS;     // leading constant of the gas-side heat-transfer law [-]
    float CW1;      // velocity coefficient in force [-] (value read is overwritten)
    float K3;       // combustion term coefficient of the heat-transfer law [m/(s K)]
    float KAPPA;    // isentropic exponent of the flow in progress [-] (value read is overwritten)
    float PEXP;     // polytropic exponent of the motored reference pressure [-]
    int32_t MAXCYC; // maximum number of cycles
    float DPHI;     // nominal crank-angle step [deg]
    int32_t ITMAX;  // failed corrector passes allowed before refinement

    // ---- record 5, walls and model factors -------------------------------
    float HCOOL;    // coolant-side heat-transfer coefficient [W/(m2 K)], renewed per cycle
    float LHEAD;    // head wall conductivity [W/(m K)]
    float LPIST;    // piston wall conductivity [W/(m K)]
    float XDUREQ;   // equivalence-ratio exponent of the burn-duration law [-]
    float XDURN;    // speed exponent of the burn-duration law [-]
    float FAIN;     // intake valve area factor [-]
    float FAEX;     // exhaust valve area factor [-]
    float FA3;      // third printed area factor [-], no effect

    // ---- record 6, correlations ------------------------------------------
    float HCOOLC;   // coefficient of the coolant-side law [-]
    float HCOOLX;   // exponent of the coolant-side law [-]
    float EQREX0;   // exhaust equivalence ratio of the first fuel estimate [-]
    float FRCR;     // compression-ratio coefficient of the friction law [bar]
    float PIOFF;    // mean-effective-pressure offset of the fuel estimate [bar]
    float FAINLS;   // low-speed intake area factor [-]

    // ---- record 7, stopping rules and tolerances -------------------------
    int32_t IRES;   // read, not used
    float EQRMAX;   // stop when the exhaust equivalence ratio exceeds it [-]
    float DPEMIN;   // dead band of the fuel correction of a non-periodic cycle [bar]
    float FUELMX;   // upper limit of the fuel quantity [10 mm3]
    float TOLEQR;   // corrector tolerance on the equivalence ratio [-]
    float TOLM;     // corrector tolerance on the mass [kg]
    float TOLT;     // corrector tolerance on the temperature [K]
    float TOLPE;    // load tolerance [bar]
    float TOLCYM;   // cyclic tolerance on the cylinder-1 mass [kg]
    float TOLEXM;   // cyclic tolerance on the exhaust-receiver mass [kg]
    float RRES;     // read, not used

    // ---- Derived run constants (set once at set-up) -----------------------
    float DOUT;     // seat diameter of the exhaust-receiver outlet valve [m]
    float FOUT;     // spring preload of the outlet valve [N]
    float KOUT;     // spring stiffness of the outlet valve [N/m]
    float PI;       // 3.1415925, the program's pi [-]
    float BORESQ;   // bore squared [m2]
    float ABORE;    // bore area [m2]
    float VC;       // clearance volume [m3]
    float FNCYL;    // NCYL as a real [-]
    float VH;       // swept volume of all simulated cylinders [m3]
    float CMEAN;    // mean piston speed [m/s]
    float OMEGA;    // crank angular speed [rad/s]
    float CONSQ;    // connecting rod squared [m2]
    float STRSQ;    // stroke squared [m2]
    float RADSQ;    // crank radius squared [m2]
    float RADIUS;   // crank radius [m]
    float VIVC;     // cylinder volume at intake closing [m3]
    int32_t KIVC;   // history index of intake closing
    float MWF;      // MWIEB0 factor of the shape exponent [-]
    float SPDF;     // speed factor of the shape exponent [-]
    float DPHIR;    // steps below this are refined steps [deg]
    int32_t LOADC;  // 1 when the fuel is load-controlled
    int32_t NZONE;  // NCYL + 2

    // ---- Driver variables -------------------------------------------------
    float PHI;      // crank angle of cylinder 1 [deg]
    float DPH;      // crank-angle step in force [deg]
    float QF;       // fuel quantity per cylinder and cycle [10 mm3]
    float TIVC;     // cylinder temperature at intake closing [K]
    int32_t ICYC;   // completed cycles
    int32_t ISTEP;  // recorded steps of the current cycle (history index)
    int32_t NSMALL; // small steps since the last refinement
    int32_t ITER;   // failed corrector passes of the current step
    float CONV;     // 1.0 once the operating point has converged
    float FINAL;    // 1.0 during the output cycle
    float CONVFLAG; // convergence flag of the last corrector pass (< 1.0: converged)
    float EXMASS;   // mass that left the exhaust receiver in the cycle [kg]
    float SUPMASS;  // mass that entered the intake receiver in the cycle [kg], for the mass balance
    int32_t WARNED; // bit set of the table-range warnings already given (once per run)

    // ---- Zone state (1-based zone index) ------------------------------------
    ZoneArray MASS, TEMP, EQR;        // current iterate [kg], [K], [-]
    ZoneArray MASS0, TEMP0, EQR0;     // start of step [kg], [K], [-]
    ZoneArray DMASS, DTEMP, DEQR;     // start-of-step derivatives [kg/rad], [K/rad], [1/rad]
    ZoneArray DMASS1, DTEMP1, DEQR1;  // predictor copies of the above, restored on refinement
    ZoneArray MASSN, TEMPN, EQRN;     // corrector values [kg], [K], [-]
    ZoneArray DMASSN, DTEMPN, DEQRN;  // derivatives of the current pass [kg/rad], [K/rad], [1/rad]
    ZoneArray PRES;                   // pressure [Pa]
    ZoneArray VOL;                    // volume [m3]
    ZoneArray UAIR;                   // air part of the internal energy [J/kg]
    ZoneArray UEQR;                   // EQR coefficient of the internal energy [J/kg]
    ZoneArray UGAS;                   // internal energy of the zone gas [J/kg]
    ZoneArray CVAIR;                  // air part of cv [J/(kg K)]
    ZoneArray CVEQR;                  // EQR coefficient of cv [J/(kg K)]
    ZoneArray CVGAS;                  // cv of the zone gas [J/(kg K)]
    ZoneArray RGAS;                   // gas constant [J/(kg K)]
    ZoneArray XMIX;                   // (air + fuel)/air mass ratio [-]
    ZoneArray PDVM;                   // expansion work per unit mass [J/(kg rad)], cylinders

    // ---- Cylinder arrays (1-based cylinder index) -----------------------------
    ZoneArray THETA;                  // cylinder crank angle [rad]
    ZoneArray DVOL;                   // dV/dphi [m3/rad]
    ZoneArray ALINER;                 // liner area exposed by the piston [m2]
    ZoneArray AINL;                   // intake valve flow area [m2]
    ZoneArray AEXH;                   // exhaust valve flow area [m2]
    ZoneArray DMINL;                  // intake valve mass flow, + into cylinder [kg/rad]
    ZoneArray DHINL;                  // intake valve enthalpy flow [J/rad]
    ZoneArray DMEXH;                  // exhaust valve mass flow, + out of cylinder [kg/rad]
    ZoneArray DHEXH;                  // exhaust valve enthalpy flow [J/rad]
    ZoneArray WIEBE;                  // Wiebe burn-rate shape [-]
    ZoneArray ASOC;                   // angle since start of combustion [rad]
    ZoneArray DMF;                    // fuel burning rate [kg/rad]
    ZoneArray HTC;                    // gas-side heat-transfer coefficient [W/(m2 K)]
    ZoneArray HTCT;                   // -HTC*TEMP [W/m2]
    ZoneArray QHEAD, QPIST, QLINER;   // wall heat flows, - = gas loses heat [W]
    ZoneArray QWALL;                  // their sum [W]

    // ---- Flow sums over the cylinders, per corrector pass ---------------------
    float SDMINL;   // sum of DMINL [kg/rad]
    float SDMEXH;   // sum of DMEXH [kg/rad]
    float SDHINL;   // sum of DHINL [J/rad]
    float SDHEXH;   // sum of DHEXH [J/rad]
    float SFEX;     // fuel carried by the exhaust valve flows [kg/rad]

    // ---- Combustion, exhaust receiver wall, outlet valve ----------------------
    float MWIEB;    // Wiebe shape exponent of the cycle [-]
    float DURC;     // combustion duration of the step [rad]
    float HTCER;    // exhaust-receiver wall coefficient of the step [W/(m2 K)]
    float QER;      // exhaust-receiver wall heat flow [W]
    float AOUT;     // outlet valve flow area [m2]

    // ---- History tables of cylinder 1 and the exhaust receiver ---------------
    HistoryArray TRPRES;    // cylinder pressure [Pa]
    HistoryArray TRMASS;    // cylinder mass [kg]
    HistoryArray TRTEMP;    // cylinder temperature [K]
    HistoryArray TREQR;     // cylinder equivalence ratio [-]
    HistoryArray TRPEXR;    // exhaust-receiver pressure [Pa]
    HistoryArray TRMEXR;    // exhaust-receiver mass [kg]
    HistoryArray TRTEXR;    // exhaust-receiver temperature [K]
    HistoryArray TRHTC;     // gas-side heat-transfer coefficient [W/(m2 K)]
    HistoryArray TRHTCT;    // -HTC*TEMP over the step [J/m2]
    HistoryArray TRQWALL;   // wall heat of the step [J]
    HistoryArray TRQHEAD;   // head heat of the step [J]
    HistoryArray TRQPIST;   // piston heat of the step [J]
    HistoryArray TRQLINER;  // liner heat of the step [J]
    HistoryArray TRHEX;     // enthalpy carried out while the exhaust valve is open [J]
    HistoryArray TRDVOL;    // piston displacement rate, filled at cycle end [m3/rad]

    // ---- Cycle figures of cylinder 1 (last completed cycle) ------------------
    float WORK;     // indicated work [J]
    float QFRI;     // friction work [J]
    float HFUEL;    // fuel energy [J]
    float HEX;      // enthalpy carried out through the exhaust valve [J]
    float QLOS;     // wall heat [J]
    float QLKOP;    // head heat [J]
    float QLKOL;    // piston heat [J]
    float QLLAU;    // liner heat [J]
    float QLV1;     // sum of TRHTCT over the cycle [J/m2]
    float QLV2;     // sum of TRHTCT over the exhaust-valve window [J/m2]
    float HTM;      // cycle mean heat-transfer coefficient [W/(m2 K)]
    float HTM2;     // mean coefficient over the exhaust-valve window [W/(m2 K)]
    float TCM;      // heat-transfer-weighted mean gas temperature [K]
    float QUKOP;    // mean head heat flux [W/m2]
    float FMEP;     // friction mean effective pressure [bar]
    float PE;       // brake mean effective pressure [bar]
    float NV;       // volumetric efficiency [-]
    float PM;       // mean exhaust-receiver pressure above 1 bar [bar]
    float TEX;      // mean exhaust-receiver temperature [degC]
    float BE;       // brake specific fuel consumption [g/kWh]
    float ETAI;     // indicated efficiency [-]
    int32_t ICA1;   // first history entry of the exhaust-valve window
    int32_t ICA2;   // last history entry of the exhaust-valve window
    float TRAPR;    // charge-mass ratio [-]

    // ---- Final figures (once, at run end) ------------------------------------
    float WLAM;     // excess-air ratio [-]
    float PSO2;     // oxygen content of the exhaust [%]
    float RESID;    // residual-gas fraction [-]
    float LAMBDA;   // inverse cylinder equivalence ratio at entry 350 [-]
    float SOCDEG;   // start of combustion [deg]
    float DURCDEG;  // combustion duration [deg]
};

}  // namespace diesel
