// Heat exchange between the gas and the walls: a Woschni-type coefficient in
// the cylinders, a simple wall loss of the exhaust receiver.
#pragma once

#include <cstdint>

#include "state/kept_result.hpp"
#include "state/run_state.hpp"

namespace diesel {

// Everything of the cylinder heat transfer that cannot change between the
// corrector passes of a step, by the expressions a pass would use. The first
// nine are fixed for the run; RHCOOL, CBURN and CNOBURN follow HCOOL, PIVC and
// TIVC, which change only between cycles; PMOT follows each cylinder's volume.
struct WallStepConstants {
    float C1G;        // velocity coefficient with both valves shut [-]
    float C1X;        // velocity coefficient during gas exchange [-]
    float BOREPOW;    // BORE^0.2 [m^0.2]
    float RHEAD;      // head wall resistance SHEAD/LHEAD [m2 K/W]
    float RPIST;      // piston wall resistance SPIST/LPIST [m2 K/W]
    float VELG;       // gas velocity CMEAN*C1G without the combustion term [m/s]
    float VELX;       // gas velocity CMEAN*C1X during gas exchange [m/s]
    float POWG;       // VELG^0.8 [(m/s)^0.8]
    float POWX;       // VELX^0.8 [(m/s)^0.8]
    float RHCOOL;     // coolant film resistance 1/HCOOL [m2 K/W]
    float CBURN;      // (((VH*K3)/NCYL)*TIVC/PIVC)/VIVC [m/(s Pa)]
    float CNOBURN;    // the same with C2 = 0 [m/(s Pa)]
    ZoneArray PMOT;   // motored reference pressure of each cylinder [Pa]
};

// All of them, from the state standing now.
void wall_step_constants(const RunState& s, WallStepConstants& w);
// The parts fixed for the run, and those fixed for a cycle.
void wall_run_constants(const RunState& s, WallStepConstants& w);
void wall_cycle_constants(const RunState& s, WallStepConstants& w);
// (VIVC/VOL(j))^PEXP, the part of PMOT(j) = PIVC*(VIVC/VOL(j))^PEXP that
// depends on the crank angle alone.
float motored_compression(const RunState& s, int32_t j);

// The pressure and temperature powers of each cylinder's last pass, kept by
// their bases' bits: a cylinder whose pressure or temperature comes out bit
// for bit as before (a closed cylinder at its corrector's fixed point) reuses
// its power. One per run.
struct WallPowers {
    KeptResult<1> powP[kZoneSlots + 1];  // (PRES/100000 [bar])^0.8
    KeptResult<1> powT[kZoneSlots + 1];  // (TEMP [K])^0.53
};

// HTC, HTCT, QHEAD, QPIST, QLINER and QWALL of every cylinder (and CW1, left
// as the last cylinder set it), from the zone state of the current corrector pass.
void cylinder_heat_transfer(RunState& s, const WallStepConstants& w, WallPowers& powers);

// HTCER from the exhaust-receiver temperature at the end of the previous step;
// once per step, before the predictor.
void exhaust_receiver_wall_coefficient(RunState& s);

// QER [W], the exhaust receiver's heat loss to its 293 K wall; per pass.
void exhaust_receiver_wall_loss(RunState& s);

}  // namespace diesel
