// "diesel-cycle analyze" from files to files: the case folder and the trace
// file in, analysis.csv and analysis.json out.
#pragma once

#include <iosfwd>
#include <string>

#include "analysis/pressure_analysis.hpp"
#include "files/case_inputs.hpp"

namespace diesel {

struct AnalyzeRequest {
    std::string caseFolder;    // run folder of the case
    std::string pressureFile;  // the measured trace
    std::string outFolder;     // where the results go; empty: the case folder
    CaseInputOptions caseOptions;  // --set, --inputs
    AnalysisOptions options;
    bool quiet = false;            // --quiet: no progress lines (warnings and failures still go to err)
};

// Reads the trace, runs the case once, analyses, writes analysis.csv and
// analysis.json (each replaced atomically; the folder is created when
// missing) and prints the summary to `out`. Progress goes to `err` unless
// quiet; so do warnings ("diesel-cycle: warning: ...") and a failure, as one
// line "diesel-cycle: analyze: ...". Returns the exit
// status: 0 done, 2 bad input, trace or file, 3 the case's run was ended by a
// stopping rule. Nothing is written unless the analysis succeeded.
int analyze_files(const AnalyzeRequest& request, std::ostream& out, std::ostream& err);

}  // namespace diesel
