// "diesel-cycle calibrate" from files to files: the case folder and the trace
// file in, calibration.json and the calibrated case out.
#pragma once

#include <iosfwd>
#include <string>

#include "analysis/calibration.hpp"
#include "files/case_inputs.hpp"

namespace diesel {

struct CalibrateRequest {
    std::string caseFolder;        // run folder of the case
    std::string pressureFile;      // the measured trace
    std::string outFolder;         // where calibration.json goes; empty: the case folder
    std::string writeFolder;       // a new folder for the calibrated case; empty: none
    CaseInputOptions caseOptions;  // --set, --inputs
    AnalysisOptions trace;         // how the trace is read; --smooth shapes only the analysis the start comes from
    CalibrationOptions calibration;
    bool quiet = false;            // --quiet: no progress lines (warnings and failures still go to err)
};

// Reads the trace and the case, analyses the trace for the start, calibrates,
// writes calibration.json (replaced atomically) and, with a write folder, the
// calibrated case there in the format the case was read from; prints the
// summary to `out`. A line per model run and the other progress go to `err`
// unless quiet; so do warnings ("diesel-cycle: warning: ...") and a failure,
// as one line "diesel-cycle: calibrate: ...". Returns
// the exit status: 0 calibrated, 2 bad input, trace or file (checked before
// the first run where possible), 3 no model run completed (or the case's own
// run stopped). Nothing is written unless a calibration was found.
int calibrate_files(const CalibrateRequest& request, std::ostream& out, std::ostream& err);

}  // namespace diesel
