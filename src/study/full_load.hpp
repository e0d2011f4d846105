// The full-load curve at real limits: for each speed the largest fixed fuel
// quantity whose run completes and meets every limit on its figures.
//
// The runs are fixed-fuel (MODE 2, whatever the base says). The search
// assumes, as for lambda, peak pressure and exhaust temperature, that a limit
// met at some fuel is met at every smaller one: it tries FUELMX first, then
// halves the fuel until a run meets every limit (the bracket), and bisects the
// bracket until its width is at most `tolerance` times its feasible end. A run
// that a stopping rule ends counts as breaking the limits.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "case/case.hpp"
#include "files/case_inputs.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"
#include "study/figure_limits.hpp"

namespace diesel {

inline constexpr double kDefaultFuelTolerance = 0.005;  // share of the fuel found
inline constexpr const char* kNoFuelMeetsLimits = "no-fuel-meets-limits";

// The outcome of the search at one speed.
struct FullLoadPoint {
    float speed = 0.0f;                // [rpm]
    bool found = false;                // a fuel quantity in (0, FUELMX] met every limit
    float fuel = 0.0f;                 // the largest such quantity found [10 mm3]
    float above = 0.0f;                // the smallest quantity found to break a limit (0: FUELMX itself met them)
    std::string activeLimit;           // what bounds the fuel: a figure name, a stopping rule, or FUELMX
    std::string why;                   // when none was found: why the smallest quantity tried failed
    std::unique_ptr<RunState> state;   // the run at `fuel` (found)
    RunOutcome outcome;                // its ending
    int32_t runs = 0;                  // runs made
};

// The case of a full-load trial: `base` at `speed` with fixed fuel `fuel`.
Case full_load_case(const Case& base, float speed, float fuel);

// Searches at one speed; `onRun` is told of each run made. With `warmStart`
// each run starts from the end of the latest completed run of the search
// (warm_start.hpp).
FullLoadPoint find_full_load(const Case& base, float speed, const std::vector<FigureLimit>& limits, double tolerance,
                             const std::function<void()>& onRun = {}, bool warmStart = false);

struct FullLoadRequest {
    std::string baseDir;
    CaseInputOptions caseOptions;  // --inputs and --set of the base
    std::string speeds;            // --speeds (parse_grid_axis form); empty: the base's speed
    std::vector<FigureLimit> limits;
    double tolerance = kDefaultFuelTolerance;
    unsigned jobs = 0;    // speeds searched at once; 0: one per core
    std::string csvFile;  // empty: stdout
    bool quiet = false;
    bool warmStart = false;  // each run of a search from the end of the one before (warm_start.hpp)
};

// The CSV header: speed_rpm,fuel_10mm3,pe_bar,torque_nm,power_kw,active_limit,end
// and then every figure of the figures table by its short name.
std::string full_load_csv_header();

// Reads the base, checks every speed's case, searches the speeds in parallel
// and writes the CSV. Exit status: 0 every speed found a fuel, 3 one did not,
// 2 an error (nothing run when it is one of the input).
int run_full_load(const FullLoadRequest& request, std::ostream& out, std::ostream& err);

}  // namespace diesel
