// What an analysis hands to its user: analysis.csv (per sample), analysis.json
// (every figure with its unit in the key) and a short summary.
#pragma once

#include <string>

#include "analysis/pressure_analysis.hpp"

namespace diesel {

// Where the analysis came from, for the JSON file and the summary.
struct AnalysisSources {
    std::string caseFolder;
    std::string pressureFile;
    float fuel = 0.0f;            // [10 mm3]
    bool loadControlled = false;
    float speed = 0.0f;           // [rpm]
};

// One row per sample of the analysed cycle: angle_deg, volume_m3, pressure_bar,
// smoothed_pressure_bar, temperature_K, heat_release_rate_J_per_deg,
// cumulative_heat_release_J, burnt_fraction, fitted_burnt_fraction. Fields
// that have no value at a sample (outside the closed part, no combustion) are
// empty. Every number is the shortest text that reads back to its float.
std::string analysis_csv(const AnalysisResult& r);

// Every figure, the fit and the inputs it gives; NaN figures are null.
std::string analysis_json(const AnalysisResult& r, const AnalysisSources& s);

// A few lines for the terminal.
std::string analysis_summary(const AnalysisResult& r, const AnalysisSources& s);

}  // namespace diesel
