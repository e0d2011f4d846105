#include "case/input_items.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <string>

namespace diesel {

namespace {

constexpr ItemType R = ItemType::Real;
constexpr ItemType I = ItemType::Integer;

// Ranges used by several items.
constexpr ValueRange kPositive{.low = 0.0, .lowOpen = true};
constexpr ValueRange kSpeedRange{.low = 0.0, .high = 20000.0, .lowOpen = true,
                                 .why = "every time-to-angle conversion divides by the speed"};
constexpr ValueRange kTolerance{.low = 0.0, .lowOpen = true,
                                .why = "with a tolerance of 0 or less no corrector pass converges"};
constexpr ValueRange kPeriodicTolerance{.low = 0.0, .lowOpen = true,
                                        .why = "with a tolerance of 0 or less no cycle counts as periodic"};
constexpr ValueRange kStartMass{.low = 0.0, .lowOpen = true};
constexpr ValueRange kStartTemperature{.low = 0.0, .lowOpen = true};
constexpr ValueRange kPlausibleStartTemperature{.low = 200.0, .high = 3000.0,
                                                .why = "outside 200 .. 3000 K: a temperature in degC typed as K?"};
constexpr ValueRange kPlausiblePressure{.low = 20000.0, .high = 500000.0,
                                        .why = "outside 0.2 .. 5 bar: a pressure in bar or kPa typed as Pa?"};

// The table, in the order of the Item enumeration (checked at compile time below).
constexpr InputItem kItems[] = {
    // ---- fort3.dat record 1: the operating point ----------------------------------------------
    {Item::SPEED, "SPEED", "operating_point.speed", R, "rpm",
     "Engine speed: mean piston speed, angular speed and every time-to-angle conversion; enters the "
     "low-speed intake-area rule, the burn-duration law and friction.",
     "600 .. 4500", 3, 1, 1, kSpeedRange,
     {.low = 100.0, .high = 6000.0, .why = "outside 100 .. 6000 rpm, the speeds of diesel engines of this kind"}},
    {Item::MODE, "MODE", "operating_point.mode", I, "-",
     "Run mode. 2: the fuel quantity is fixed at FUEL. Any other value: load control; the fuel quantity is "
     "estimated at the start and corrected after each cycle until the brake mean effective pressure meets PETARG.",
     "2 (fixed fuel) or 0 (load control)", 3, 1, 2, {}, {}},
    {Item::PETARG, "PETARG", "operating_point.target_bmep_bar", R, "bar",
     "Target brake mean effective pressure of load control; also scales the first fuel estimate. Not used "
     "when MODE is 2.",
     "1 .. 10", 3, 1, 3, {}, {.high = 40.0, .why = "above 40 bar: a pressure in kPa typed as bar?"}},
    {Item::FUEL, "FUEL", "operating_point.fuel_10mm3", R, "10 mm3",
     "Fuel quantity per cylinder and cycle of fixed-fuel mode (MODE 2), in units of 10 mm3: 3.5 is 35 mm3; "
     "fuel mass = quantity * 0.825/100000 kg. Not used otherwise.",
     "0.5 .. 8 for 0.1 m bore", 3, 1, 4, {}, {}},
    {Item::NCYL, "NCYL", "operating_point.cylinders", I, "-",
     "Cylinders simulated, firing 720/NCYL degrees apart. Cylinders 2 .. NCYL start from the start table; a run "
     "with NCYL <= 2 rewrites fort14.dat at its end.",
     "1 .. 12", 3, 1, 5, {.low = 1.0, .high = 12.0, .why = "the zone arrays hold 14 zones"}, {}},

    // ---- fort2.dat record 1: geometry -----------------------------------------------------------
    {Item::BORE, "BORE", "geometry.bore", R, "m", "Cylinder bore.", "0.08 .. 0.25", 2, 1, 1, kPositive,
     {.low = 0.02, .high = 1.0, .why = "outside 20 .. 1000 mm: a length in mm typed as m?"}},
    {Item::STROKE, "STROKE", "geometry.stroke", R, "m", "Piston stroke; the crank radius is half of it.",
     "0.08 .. 0.30", 2, 1, 2, kPositive,
     {.low = 0.02, .high = 1.5, .why = "outside 20 .. 1500 mm: a length in mm typed as m?"}},
    {Item::CONROD, "CONROD", "geometry.conrod_length", R, "m",
     "Connecting-rod length, centre to centre; must exceed STROKE/2.", "1.5 .. 2.2 x STROKE", 2, 1, 3,
     kPositive, {}},
    {Item::NCYLE, "NCYLE", "start.write_table_for_cylinders", I, "-",
     "Cylinder count of the engine the start table is written for: a run with NCYL <= 2 ends by writing "
     "NCYLE - 1 rows, 720 div NCYLE degrees apart. Not used otherwise.",
     "the engine's cylinder count", 2, 1, 4,
     {.low = 0.0, .high = 720.0,
      .why = "the start table written at the end has rows 720 div NCYLE history steps apart"},
     {}},
    {Item::CR, "CR", "geometry.compression_ratio", R, "-",
     "Geometric compression ratio: clearance volume = swept volume/(CR - 1); also in friction and charge ratio.",
     "14 .. 22", 2, 1, 5,
     {.low = 1.0, .lowOpen = true, .why = "the clearance volume is the swept volume over CR - 1"},
     {.low = 8.0, .high = 30.0, .why = "outside 8 .. 30, the compression ratios of diesel engines"}},
    {Item::VINL, "VINL", "receivers.intake_volume", R, "m3", "Intake-receiver volume.",
     "5 .. 20 x one cylinder's swept volume", 2, 1, 6, kPositive, {}},
    {Item::VEXR, "VEXR", "receivers.exhaust_volume", R, "m3", "Exhaust-receiver volume.",
     "5 .. 20 x one cylinder's swept volume", 2, 1, 7, kPositive, {}},

    // ---- record 2: walls, receiver connections, pressure-actuated valve -------------------------
    {Item::SHEAD, "SHEAD", "walls.head_thickness", R, "m",
     "Cylinder-head wall thickness (conduction term SHEAD/LHEAD).", "0.005 .. 0.02", 2, 2, 1, {}, {}},
    {Item::SPIST, "SPIST", "walls.piston_thickness", R, "m",
     "Piston wall thickness (conduction term SPIST/LPIST).", "0.005 .. 0.02", 2, 2, 2, {}, {}},
    {Item::AHEAD, "AHEAD", "walls.head_area", R, "m2",
     "Gas-side area of the cylinder head; also divides the head heat in the coolant-side law.",
     "1.1 .. 1.3 x bore area", 2, 2, 3, kPositive, {}},
    {Item::APIST, "APIST", "walls.piston_area", R, "m2", "Gas-side area of the piston.",
     "1.3 .. 1.8 x bore area", 2, 2, 4, kPositive, {}},
    {Item::AER, "AER", "receivers.exhaust_wall_area", R, "m2",
     "Wall area of the exhaust receiver, for its heat loss to surroundings at 293 K.", "0.02 .. 0.2", 2, 2, 5,
     kPositive, {}},
    {Item::AINF, "AINF", "receivers.intake_supply_area", R, "m2",
     "Effective area through which air at 100000 Pa and 293 K enters the intake receiver while its pressure "
     "is at or below 100000 Pa.",
     "0.5 .. 1 x the intake valve area", 2, 2, 6, {}, {}},
    {Item::DRV, "DRV", "valves.pressure_valve_diameter", R, "m",
     "Seat diameter of the pressure-actuated valve that admits exhaust-receiver gas into a cylinder while its "
     "exhaust valve is shut.",
     "0.01 .. 0.03", 2, 2, 7, {}, {}},
    {Item::FRV, "FRV", "valves.pressure_valve_preload", R, "N", "Spring preload of that valve.", "20 .. 100",
     2, 2, 8, {}, {}},
    {Item::KRV, "KRV", "valves.pressure_valve_stiffness", R, "N/m", "Spring stiffness of that valve.",
     "10000 .. 50000", 2, 2, 9, {}, {}},

    // ---- record 3: coolant, valve timing, combustion --------------------------------------------
    {Item::TCOOL, "TCOOL", "walls.coolant_temperature_C", R, "degC",
     "Coolant temperature behind head, piston and liner (273.0 is added at the start).", "80 .. 110", 2, 3, 1,
     {.low = -273.0, .lowOpen = true, .why = "273 is added to give the coolant temperature in K"},
     {.high = 150.0, .why = "above 150 degC: a temperature in K typed as degC?"}},
    {Item::IVO, "IVO", "valves.intake_opening", R, "deg",
     "Intake valve opening, cycle angle (360 = gas-exchange TDC).", "330 .. 350", 2, 3, 2, {}, {}},
    {Item::IVC, "IVC", "valves.intake_closing", R, "deg",
     "Intake valve closing, cycle angle; IVC - 540 indexes the step history.", "560 .. 600", 2, 3, 3,
     {.low = 541.0, .high = 1362.0, .highOpen = true,
      .why = "the history index of intake closing, trunc(IVC - 540), must lie between 1 and 821"},
     {}},
    {Item::EVO, "EVO", "valves.exhaust_opening", R, "deg", "Exhaust valve opening, cycle angle.", "110 .. 150", 2,
     3, 4, {}, {}},
    {Item::EVC, "EVC", "valves.exhaust_closing", R, "deg", "Exhaust valve closing, cycle angle.", "360 .. 390", 2,
     3, 5, {}, {}},
    {Item::AIMAX, "AIMAX", "valves.intake_area", R, "m2",
     "Full-open effective flow area of the intake valve (scaled by FAIN, and below 1600 rpm by "
     "FAINLS*(SPEED/1600)^2).",
     "0.07 .. 0.12 x bore area", 2, 3, 6, {}, {}},
    {Item::AEMAX, "AEMAX", "valves.exhaust_area", R, "m2",
     "Full-open effective flow area of the exhaust valve (scaled by FAEX).", "0.06 .. 0.10 x bore area", 2, 3, 7,
     {}, {}},
    {Item::SOC, "SOC", "combustion.start_btdc", R, "deg",
     "Start of combustion, degrees before firing TDC; printed back as inj=.", "0 .. 20", 2, 3, 8, {},
     {.low = -20.0, .high = 50.0, .why = "outside 20 deg after .. 50 deg before firing TDC"}},
    {Item::DURC0, "DURC0", "combustion.reference_duration", R, "deg",
     "Reference combustion duration of the burn-duration law.", "40 .. 100", 2, 3, 9,
     {.low = 0.0, .lowOpen = true, .why = "the burn rate divides by the duration; 0 or less switches combustion off"},
     {.high = 180.0, .why = "above 180 deg, a combustion longer than half a revolution"}},
    {Item::MWIEB0, "MWIEB0", "combustion.reference_shape_exponent", R, "-", "Reference Wiebe shape exponent.",
     "0.3 .. 2", 2, 3, 10,
     {.low = 0.0, .why = "a negative shape exponent switches combustion off"}, {}},
    {Item::TIDR, "TIDR", "combustion.tidr", R, "-",
     "Enters the shape-exponent law only as sqrt(TIDR/TIDR) = 1; must not be 0.", "1", 2, 3, 11, {}, {}},
    {Item::EQRREF, "EQRREF", "combustion.reference_equivalence_ratio", R, "-",
     "Reference equivalence ratio of the burn-duration law.", "0.4 .. 0.8", 2, 3, 12,
     {.low = 0.0, .lowOpen = true, .why = "the burn-duration law divides by it; 0 or less switches combustion off"},
     {}},

    // ---- record 4: reference state, heat transfer, run control ----------------------------------
    {Item::SPEEDR, "SPEEDR", "combustion.reference_speed", R, "rpm",
     "Reference speed of the burn-duration and shape-exponent laws.", "1000 .. 4000", 2, 4, 1,
     {.low = 0.0, .high = 20000.0, .lowOpen = true,
      .why = "the shape-exponent law divides by it; 0 or less switches combustion off"},
     {}},
    {Item::ANGST, "ANGST", "run_control.start_angle", R, "deg",
     "Crank angle of cylinder 1 at which every cycle starts; a cycle ends at ANGST + 720. The step history, the "
     "start table and several report windows assume 540.",
     "540", 2, 4, 2,
     {.low = -100000.0, .high = 100000.0,
      .why = "further out the crank angle cannot advance by a refined step in single precision"},
     {}},
    {Item::PIVC, "PIVC", "heat_transfer.intake_closing_pressure_Pa", R, "Pa",
     "Pressure at intake closing: reference of the motored pressure and of the combustion term of the heat "
     "transfer, denominator of the shape-exponent law. Start value; from the third cycle on the simulated "
     "cylinder-1 pressure at intake closing.",
     "80000 .. 110000", 2, 4, 3, {}, kPlausiblePressure},
    {Item::PREFM, "PREFM", "combustion.shape_pressure_Pa", R, "Pa",
     "Pressure numerator of the shape-exponent law. Start value; after every cycle the cylinder-1 pressure at "
     "the cycle end.",
     "80000 .. 110000", 2, 4, 4, {}, kPlausiblePressure},
    {Item::TREFM, "TREFM", "combustion.shape_temperature", R, "K",
     "Temperature denominator of the shape-exponent law. Start value; after every cycle the cylinder-1 "
     "temperature at the cycle end.",
     "300 .. 400", 2, 4, 5, {}, kPlausibleStartTemperature},
    {Item::SWIRL, "SWIRL", "heat_transfer.swirl_ratio", R, "-",
     "Swirl ratio of the heat-transfer velocity: 2.28 + 0.308*SWIRL with both valves shut, 6.18 + 0.417*SWIRL "
     "otherwise.",
     "0 .. 3", 2, 4, 6, {}, {}},
    {Item::CWOS, "CWOS", "heat_transfer.gas_side_constant", R, "-",
     "Leading constant of the gas-side heat-transfer coefficient.", "100 .. 150", 2, 4, 7, {}, {}},
    {Item::CW1, "CW1", "unused.cw1", R, "-",
     "Read and not used: the velocity coefficient is always set before use.", "2.28", 2, 4, 8, {}, {}, "2.28"},
    {Item::K3, "K3", "heat_transfer.combustion_term_coefficient", R, "m/(s K)",
     "Coefficient of the combustion term of the heat-transfer velocity; printed as K3=.", "0.002 .. 0.005", 2, 4,
     9, {}, {}},
    {Item::KAPPA, "KAPPA", "unused.kappa", R, "-",
     "Read and not used: the ratio of specific heats is always set before use.", "1.35", 2, 4, 10, {}, {}, "1.35"},
    {Item::PEXP, "PEXP", "heat_transfer.motored_exponent", R, "-",
     "Polytropic exponent of the motored reference pressure PIVC*(VIVC/V)^PEXP.", "1.30 .. 1.38", 2, 4, 11, {},
     {}},
    {Item::MAXCYC, "MAXCYC", "run_control.max_cycles", I, "-",
     "Maximum number of cycles of the run; reaching it before the output cycle is complete stops the run.",
     "20 .. 100", 2, 4, 12, {.low = 1.0, .why = "a run needs at least one cycle"}, {}},
    {Item::DPHI, "DPHI", "run_control.step", R, "deg",
     "Nominal crank-angle step; one history entry per step, so 1 is the intended value.", "1", 2, 4, 13,
     {.low = static_cast<double>(720.0f / 821.0f), .high = 1.0, .text = "between 720/821 and 1",
      .why = "a smaller step overflows the 821 history slots, a larger one never reaches history entry 720"},
     {}},
    {Item::ITMAX, "ITMAX", "run_control.max_failed_passes", I, "-",
     "Corrector passes of one step that may fail; beyond it a full step is refined into ten tenth-steps, and a "
     "tenth-step is accepted unconverged.",
     "5 .. 20", 2, 4, 14,
     {.low = 0.0, .high = 1000.0,
      .why = "it counts passes; beyond 1000 a step that does not converge would hold the run for hours"},
     {}},

    // ---- record 5: walls and model factors ------------------------------------------------------
    {Item::HCOOL, "HCOOL", "heat_transfer.coolant_side_htc", R, "W/(m2 K)",
     "Coolant-side heat-transfer coefficient. Start value; renewed after every cycle from the head heat flux.",
     "1000 .. 5000", 2, 5, 1, {}, {}},
    {Item::LHEAD, "LHEAD", "walls.head_conductivity", R, "W/(m K)", "Thermal conductivity of the head wall.",
     "20 .. 60", 2, 5, 2, {}, {}},
    {Item::LPIST, "LPIST", "walls.piston_conductivity", R, "W/(m K)", "Thermal conductivity of the piston wall.",
     "20 .. 160", 2, 5, 3, {}, {}},
    {Item::XDUREQ, "XDUREQ", "combustion.duration_eqr_exponent", R, "-",
     "Exponent of the equivalence-ratio term of the burn-duration law.", "0.3 .. 0.6", 2, 5, 4, {}, {}},
    {Item::XDURN, "XDURN", "combustion.duration_speed_exponent", R, "-",
     "Exponent of the speed term of the burn-duration law.", "0.3 .. 0.6", 2, 5, 5, {}, {}},
    {Item::FAIN, "FAIN", "valves.intake_area_factor", R, "-",
     "Intake valve area factor (multiplies AIMAX); printed in fort13.dat.", "1", 2, 5, 6, {}, {}},
    {Item::FAEX, "FAEX", "valves.exhaust_area_factor", R, "-",
     "Exhaust valve area factor (multiplies AEMAX); printed in fort13.dat.", "1", 2, 5, 7, {}, {}},
    {Item::FA3, "FA3", "valves.third_area_factor", R, "-",
     "Printed beside FAIN and FAEX in fort13.dat; no effect.", "1", 2, 5, 8, {}, {}},

    // ---- record 6: correlations -----------------------------------------------------------------
    {Item::HCOOLC, "HCOOLC", "heat_transfer.coolant_law_coefficient", R, "-",
     "Coefficient of the coolant-side law HCOOL = HCOOLC*q^HCOOLX, q the head heat flux in W/m2.", "3 .. 10", 2,
     6, 1, {}, {}},
    {Item::HCOOLX, "HCOOLX", "heat_transfer.coolant_law_exponent", R, "-", "Exponent of that law.", "0.5 .. 0.8",
     2, 6, 2, {}, {}},
    {Item::EQREX0, "EQREX0", "fuel_control.first_estimate_eqr", R, "-",
     "Exhaust equivalence ratio assumed by the first fuel estimate of load control.", "0.3 .. 0.7", 2, 6, 3, {},
     {}},
    {Item::FRCR, "FRCR", "friction.compression_ratio_coefficient", R, "bar",
     "Coefficient of the compression-ratio term (CR - 4)*FRCR/14.5 of the friction mean effective pressure.",
     "0.5 .. 1.5", 2, 6, 4, {}, {}},
    {Item::PIOFF, "PIOFF", "fuel_control.pressure_offset_bar", R, "bar",
     "Mean-effective-pressure offset in the denominator of the first fuel estimate and of every fuel "
     "correction; larger values give smaller, slower corrections.",
     "3 .. 8", 2, 6, 5, {}, {}},
    {Item::FAINLS, "FAINLS", "valves.intake_low_speed_factor", R, "-",
     "Low-speed intake area factor: below 1600 rpm AIMAX is multiplied by FAINLS*(SPEED/1600)^2.", "1", 2, 6, 6,
     {}, {}},

    // ---- record 7: stopping rules and tolerances ------------------------------------------------
    {Item::IRES, "IRES", "unused.ires", I, "-", "Read and not used.", "0", 2, 7, 1, {}, {}, "0"},
    {Item::EQRMAX, "EQRMAX", "run_control.max_exhaust_eqr", R, "-",
     "The run stops when, from the third cycle on, the exhaust-receiver equivalence ratio at the end of a cycle "
     "exceeds it (smoke limit).",
     "0.8 .. 1.2", 2, 7, 2, {}, {}},
    {Item::DPEMIN, "DPEMIN", "fuel_control.dead_band_bar", R, "bar",
     "Dead band of the fuel correction after a cycle that is not yet periodic.", "0.02 .. 0.2", 2, 7, 3, {}, {}},
    {Item::FUELMX, "FUELMX", "fuel_control.max_fuel_10mm3", R, "10 mm3",
     "Upper limit of the fuel quantity: a correction after a periodic cycle that goes above it stops the run.",
     "about twice the expected quantity", 2, 7, 4, {}, {}},
    {Item::TOLEQR, "TOLEQR", "run_control.tolerance_eqr", R, "-",
     "Corrector tolerance on a zone's equivalence ratio.", "1e-6 .. 1e-4", 2, 7, 5, kTolerance, {}},
    {Item::TOLM, "TOLM", "run_control.tolerance_mass", R, "kg", "Corrector tolerance on a zone's mass.",
     "1e-9 .. 1e-7", 2, 7, 6, kTolerance, {}},
    {Item::TOLT, "TOLT", "run_control.tolerance_temperature", R, "K",
     "Corrector tolerance on a zone's temperature.", "0.001 .. 0.1", 2, 7, 7, kTolerance, {}},
    {Item::TOLPE, "TOLPE", "fuel_control.bmep_tolerance_bar", R, "bar",
     "Load tolerance: the operating point is reached when |PETARG - pe| < TOLPE after a periodic cycle.",
     "0.02 .. 0.2", 2, 7, 8,
     {.low = 0.0, .lowOpen = true, .why = "with 0 or less no load counts as reached"}, {}},
    {Item::TOLCYM, "TOLCYM", "run_control.periodic_cylinder_mass", R, "kg",
     "Periodicity: cylinder-1 mass at the end and at the start of the cycle differ by less.", "1e-6 .. 1e-5", 2,
     7, 9, kPeriodicTolerance, {}},
    {Item::TOLEXM, "TOLEXM", "run_control.periodic_exhaust_mass", R, "kg",
     "Periodicity: the same for the exhaust-receiver mass.", "1e-6 .. 1e-5", 2, 7, 10, kPeriodicTolerance, {}},
    {Item::RRES, "RRES", "unused.rres", R, "-", "Read and not used.", "0", 2, 7, 11, {}, {}, "0.0"},

    // ---- records 8, 9, 10: start states ----------------------------------------------------------
    {Item::MASS0_CYLINDER1, "MASS0", "start.cylinder_1.mass", R, "kg",
     "Gas mass of cylinder 1 at the crank angle ANGST.", "p*V/(287*T) of a cylinder full of air", 2, 8, 1,
     kStartMass, {}},
    {Item::TEMP0_CYLINDER1, "TEMP0", "start.cylinder_1.temperature", R, "K",
     "Gas temperature of cylinder 1 at the crank angle ANGST.", "330", 2, 8, 2, kStartTemperature,
     kPlausibleStartTemperature},
    {Item::EQR0_CYLINDER1, "EQR0", "start.cylinder_1.equivalence_ratio", R, "-",
     "Equivalence ratio of cylinder 1 at the crank angle ANGST.", "0 .. 0.1", 2, 8, 3, {}, {}},
    {Item::MASS0_INTAKE, "MASS0", "start.intake_receiver.mass", R, "kg", "Gas mass of the intake receiver.",
     "p*V/(287*T) at 1 bar, 293 K", 2, 9, 1, kStartMass, {}},
    {Item::TEMP0_INTAKE, "TEMP0", "start.intake_receiver.temperature", R, "K",
     "Gas temperature of the intake receiver.", "293", 2, 9, 2, kStartTemperature, kPlausibleStartTemperature},
    {Item::EQR0_INTAKE, "EQR0", "start.intake_receiver.equivalence_ratio", R, "-",
     "Equivalence ratio of the intake receiver.", "0", 2, 9, 3, {}, {}},
    {Item::MASS0_EXHAUST, "MASS0", "start.exhaust_receiver.mass", R, "kg", "Gas mass of the exhaust receiver.",
     "p*V/(287*T) at 1.1 bar, 700 K", 2, 10, 1, kStartMass, {}},
    {Item::TEMP0_EXHAUST, "TEMP0", "start.exhaust_receiver.temperature", R, "K",
     "Gas temperature of the exhaust receiver.", "600 .. 800", 2, 10, 2, kStartTemperature,
     kPlausibleStartTemperature},
    {Item::EQR0_EXHAUST, "EQR0", "start.exhaust_receiver.equivalence_ratio", R, "-",
     "Equivalence ratio of the exhaust receiver.", "0.3 .. 0.6", 2, 10, 3,
     {.low = 0.0, .lowOpen = true,
      .why = "the ratio of specific heats of the cylinder valve flows divides by the exhaust-receiver "
             "equivalence ratio"},
     {}},
};

constexpr bool table_in_enum_order() {
    for (int32_t i = 0; i < kItemCount; ++i)
        if (index_of(kItems[i].id) != i) return false;
    return true;
}
static_assert(std::size(kItems) == static_cast<std::size_t>(kItemCount), "one table row per item");
static_assert(table_in_enum_order(), "table rows in the order of the Item enumeration");

// Levenshtein distance, case-insensitive, for "did you mean" hints.
std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string_view last_segment(std::string_view key) {
    const std::size_t dot = key.rfind('.');
    return dot == std::string_view::npos ? key : key.substr(dot + 1);
}

}  // namespace

std::span<const InputItem> input_items() { return kItems; }

const InputItem& item_info(Item item) { return kItems[index_of(item)]; }

std::vector<Item> record_items(int32_t fortFile, int32_t record) {
    std::vector<Item> items;
    for (const InputItem& it : kItems)
        if (it.fortFile == fortFile && it.record == record) items.push_back(it.id);
    std::sort(items.begin(), items.end(),
              [](Item a, Item b) { return item_info(a).position < item_info(b).position; });
    return items;
}

std::vector<std::string> nearest_names(std::string_view text, const std::vector<std::string>& candidates,
                                       std::size_t count) {
    // A candidate is near when few edits separate it from the text, or when
    // their last key segments match closely (a key under the wrong table).
    std::vector<std::pair<std::size_t, std::string>> scored;
    const std::size_t allowed = std::max<std::size_t>(2, text.size() / 3);
    for (const std::string& c : candidates) {
        std::size_t d = edit_distance(text, c);
        if (c.find('.') != std::string::npos) {
            const std::size_t tail = edit_distance(last_segment(text), last_segment(c));
            if (tail <= std::max<std::size_t>(1, last_segment(text).size() / 4)) d = std::min(d, tail + 1);
        }
        if (d <= allowed) scored.emplace_back(d, c);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (const auto& [d, c] : scored) {
        if (out.size() == count || (d > 0 && !scored.empty() && scored.front().first == 0)) break;  // only the exact
        if (std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
    }
    return out;
}

std::string did_you_mean(std::string_view text, const std::vector<std::string>& candidates) {
    const std::vector<std::string> near = nearest_names(text, candidates);
    if (near.empty()) return "";
    std::string hint = "; did you mean ";
    for (std::size_t i = 0; i < near.size(); ++i) hint += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + near[i];
    return hint + "?";
}

std::optional<Item> find_item(std::string_view nameOrKey, std::string& error) {
    std::vector<Item> byName;
    for (const InputItem& it : kItems) {
        if (nameOrKey == it.key) return it.id;
        if (nameOrKey == it.name) byName.push_back(it.id);
    }
    if (byName.size() == 1) return byName.front();
    if (byName.size() > 1) {
        error = std::string(nameOrKey) + " names " + std::to_string(byName.size()) + " items; use the key of the one meant: ";
        for (std::size_t i = 0; i < byName.size(); ++i) {
            if (i > 0) error += i + 1 == byName.size() ? " or " : ", ";
            error += item_info(byName[i]).key;
        }
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const InputItem& it : kItems) {
        names.emplace_back(it.name);
        names.emplace_back(it.key);
    }
    error = "no input item is called " + std::string(nameOrKey) + did_you_mean(nameOrKey, names);
    return std::nullopt;
}

std::string item_label(Item item) {
    const InputItem& it = item_info(item);
    return std::string(it.name) + " (" + it.key + ")";
}

}  // namespace diesel
