#include "analysis/analysis_case.hpp"

#include <ostream>

#include "analysis/analysis_error.hpp"
#include "driver/simulation.hpp"
#include "files/run_folder.hpp"
#include "case/run_inputs.hpp"

namespace diesel {

InputTexts read_case_folder(const std::string& dir) {
    InputTexts texts;
    const struct {
        const char* name;
        std::optional<std::string>* slot;
    } files[] = {{"fort3.dat", &texts.fort3}, {"fort2.dat", &texts.fort2}, {"fort14.dat", &texts.fort14}};
    for (const auto& f : files) {
        std::string text, error;
        const std::string path = path_in(dir, f.name);
        if (read_text_file(path, text, error)) {
            *f.slot = std::move(text);
        } else if (!error.empty()) {
            throw AnalysisError(kExitFileError, path + ": cannot be read: " + error);
        }
    }
    return texts;
}

std::unique_ptr<RunState> run_quietly(const RunState& inputs, RunOutcome& outcome) {
    auto s = std::make_unique<RunState>(inputs);
    std::ostream none(nullptr);  // no buffer: everything written is dropped
    const OutputSinks sinks{&none, &none, &none, &none, &none, &none, &none, &none, nullptr};
    outcome = run_simulation(*s, sinks);
    return s;
}

AnalysisCase prepare_case(const InputTexts& texts, const std::string& name) {
    AnalysisCase c;
    c.name = name;
    c.inputs = std::make_unique<RunState>();
    try {
        read_inputs(*c.inputs, texts);
    } catch (const InputError& e) {
        throw AnalysisError(kExitFileError, "case " + name + ": " + e.what());
    }
    RunOutcome outcome;
    c.run = run_quietly(*c.inputs, outcome);
    if (outcome.end != RunEnd::Completed) {
        throw AnalysisError(kExitStopped, "case " + name + ": the model run reached no operating state to analyse at: " +
                                              outcome.reason);
    }
    c.loadControlled = c.inputs->MODE != 2;
    c.fuel = c.run->QF;
    c.inputs->MODE = 2;
    c.inputs->FUEL = c.fuel;
    c.fuelEnergy = static_cast<double>(c.run->HFUEL);
    return c;
}

}  // namespace diesel
