// The model runs of a calibration: the case with the adjusted inputs set by
// item, run in memory with every output discarded. Every run of the search
// passes through here, so how a run starts (from the case's own start states,
// or warm from the end of the latest completed run) is decided in one place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/cycle_angles.hpp"
#include "case/case.hpp"
#include "study/warm_start.hpp"

namespace diesel {

struct CalibrationRun {
    bool completed = false;      // the output cycle was completed
    std::string failure;         // why not: the inputs refused, or the stopping rule's line
    SimulatedPressure pressure;  // cylinder-1 pressure of the output cycle, when completed
};

class CalibrationRuns {
public:
    // `base`: the case the adjusted `items` are set on (at fixed fuel). With
    // `warmStart` each run starts from the end of the latest completed one.
    CalibrationRuns(const Case& base, std::vector<Item> items, bool warmStart = false);

    // The case with each item set to its value [item's unit], rounded once to
    // the item's float as a case file would hold it.
    Case case_at(const std::vector<double>& values) const;

    // One model run of case_at(values).
    CalibrationRun run(const std::vector<double>& values);

    int32_t count() const { return count_; }  // runs made

private:
    Case base_;
    std::vector<Item> items_;
    int32_t count_ = 0;
    WarmStart warm_;
};

}  // namespace diesel
