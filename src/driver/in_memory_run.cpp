#include "driver/in_memory_run.hpp"

#include <sstream>

#include "case/fort_files.hpp"
#include "case/run_inputs.hpp"
#include "driver/simulation.hpp"

namespace diesel {

InMemoryRun run_in_memory(const InputTexts& texts, StepObserver* steps) {
    return run_in_memory(texts, WantedTexts{}, steps);
}

InMemoryRun run_in_memory(const Case& c, StepObserver* steps) { return run_in_memory(c, WantedTexts{}, steps); }

InMemoryRun run_in_memory(const InputTexts& texts, const WantedTexts& wanted, StepObserver* steps) {
    try {
        return run_in_memory(read_fort_case(texts), wanted, steps);
    } catch (const InputError& err) {
        InMemoryRun r;
        r.state = std::make_unique<RunState>();
        r.inputError = err.what();
        return r;
    }
}

InMemoryRun run_in_memory(const Case& c, const WantedTexts& wanted, StepObserver* steps) {
    return run_in_memory(c, wanted, nullptr, steps);
}

InMemoryRun run_in_memory(const Case& c, const WantedTexts& wanted, const StartState* start, StepObserver* steps) {
    InMemoryRun r;
    r.state = std::make_unique<RunState>();
    std::ostringstream f8, f9, f10, f12, f13, f15, f16, con, diag;
    try {
        for (const std::string& w : load_case(c, *r.state)) diag << "diesel-cycle: warning: " << w << '\n';
    } catch (const InputError& err) {
        r.inputError = err.what();
        return r;
    }
    r.inputOk = true;
    const auto trace = [&](std::ostream& o) { return wanted.traces ? &o : nullptr; };
    const auto report = [&](std::ostream& o) { return wanted.reports ? &o : nullptr; };
    OutputSinks sinks{trace(f8),   trace(f9),   trace(f10),  report(f12), report(f13),
                      report(f15), report(f16), report(con), &diag,       steps,
                      wanted.startTable};
    r.outcome = run_simulation(*r.state, sinks, start);
    r.fort8 = f8.str();
    r.fort9 = f9.str();
    r.fort10 = f10.str();
    r.fort12 = f12.str();
    r.fort13 = f13.str();
    r.fort15 = f15.str();
    r.fort16 = f16.str();
    r.console = con.str();
    r.diag = diag.str();
    return r;
}

}  // namespace diesel
