// A whole run in memory: input texts or a case in, output texts out. Used by
// the tests, the engine-map workers, the fuzzers and the studies.
#pragma once

#include <memory>
#include <string>

#include "case/case.hpp"
#include "driver/start_state.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct InMemoryRun {
    bool inputOk = false;       // false: inputError says why, no output exists
    std::string inputError;     // one-line input error message
    RunOutcome outcome;
    std::string fort8, fort9, fort10, fort12, fort13, fort15, fort16, console;
    std::string diag;           // what the program prints on stderr: input warnings first, then the run's
    std::unique_ptr<RunState> state;  // the state at the end of the run
};

// The output texts a run in memory forms. Those not wanted are never
// formatted and stay empty; the run, its outcome and its final state are the
// same. `diag` is always kept.
struct WantedTexts {
    bool traces = true;      // fort8, fort9, fort10
    bool reports = true;     // fort12, fort13, fort15, fort16 and the console lines
    bool startTable = true;  // RunOutcome::startTable (rewritesStartTable is set either way)
};

// What a run whose results are read from its final state alone forms: nothing.
inline constexpr WantedTexts kNoTexts{false, false, false};

// Reads the fort texts and, when they are valid, runs the simulation. `steps`,
// when given, is told of every traced step (see OutputSinks::steps).
InMemoryRun run_in_memory(const InputTexts& texts, StepObserver* steps = nullptr);

// Checks the case and, when it is valid, runs it: the same run, to the bit, as
// the equivalent fort texts give. The case must hold the start rows the run
// needs (inline, or loaded from its start-table file).
InMemoryRun run_in_memory(const Case& c, StepObserver* steps = nullptr);

// As above, forming only the wanted texts. A map point that only needs the
// final figures runs with kNoTexts.
InMemoryRun run_in_memory(const InputTexts& texts, const WantedTexts& wanted, StepObserver* steps = nullptr);
InMemoryRun run_in_memory(const Case& c, const WantedTexts& wanted, StepObserver* steps = nullptr);

// As above, the run beginning from `start` when it is given and fits
// (start_state.hpp), else from the case's start rows.
InMemoryRun run_in_memory(const Case& c, const WantedTexts& wanted, const StartState* start, StepObserver* steps);

}  // namespace diesel
