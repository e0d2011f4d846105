#include "analysis/analysis_case.hpp"

#include <ostream>

#include "analysis/analysis_error.hpp"
#include "case/input_error.hpp"
#include "case/run_inputs.hpp"
#include "driver/simulation.hpp"
#include "state/exit_status.hpp"

namespace diesel {

std::unique_ptr<RunState> run_quietly(const RunState& inputs, RunOutcome& outcome, const StartState* start) {
    auto s = std::make_unique<RunState>(inputs);
    // No stream: nothing is formatted, not even the start table.
    OutputSinks sinks;
    sinks.startTableText = false;
    outcome = run_simulation(*s, sinks, start);
    return s;
}

AnalysisCase prepare_case(const Case& given, const std::string& name) {
    AnalysisCase c;
    c.name = name;
    c.given = given;
    c.fixed = given;
    c.inputs = std::make_unique<RunState>();
    try {
        c.warnings = load_case(c.fixed, *c.inputs);
    } catch (const InputError& e) {
        throw AnalysisError(kExitFileError, "case " + name + ": " + e.what());
    }
    RunOutcome outcome;
    c.run = run_quietly(*c.inputs, outcome);
    if (outcome.end != RunEnd::Completed) {
        throw AnalysisError(kExitStopped, "case " + name + ": the model run reached no operating state to analyse at: " +
                                              outcome.reason);
    }
    c.loadControlled = c.fixed.integer(Item::MODE) != 2;
    c.fuel = c.run->QF;
    c.fixed.set_integer(Item::MODE, 2);
    c.fixed.set_real(Item::FUEL, c.fuel);
    // Neither item has a range of its own: the fixed-fuel case loads as the case did.
    load_case(c.fixed, *c.inputs);
    c.fuelEnergy = static_cast<double>(c.run->HFUEL);
    return c;
}

AnalysisCase load_analysis_case(const std::string& dir, const CaseInputOptions& options) {
    Case c;
    try {
        c = load_folder_case(dir, options).c;
    } catch (const InputError& e) {
        throw AnalysisError(kExitFileError, "case " + dir + ": " + e.what());
    }
    return prepare_case(c, dir);
}

}  // namespace diesel
