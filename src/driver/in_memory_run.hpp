// A whole run in memory: input texts in, output texts out. Used by the tests,
// the engine-map workers and the fuzzers.
#pragma once

#include <memory>
#include <string>

#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace diesel {

struct InMemoryRun {
    bool inputOk = false;       // false: inputError says why, no output exists
    std::string inputError;     // one-line input error message
    RunOutcome outcome;
    std::string fort8, fort9, fort10, fort12, fort13, fort15, fort16, console, diag;
    std::unique_ptr<RunState> state;  // the state at the end of the run
};

// Reads the inputs and, when they are valid, runs the simulation.
InMemoryRun run_in_memory(const InputTexts& texts);

// The output texts a run in memory forms. Those not wanted are never
// formatted and stay empty; the run, its outcome and its final state are the
// same. `diag` is always kept.
struct WantedTexts {
    bool traces = true;   // fort8, fort9, fort10
    bool reports = true;  // fort12, fort13, fort15, fort16 and the console lines
};

// As above, forming only the wanted texts. A map point that only needs the
// final figures runs with {.traces = false, .reports = false}.
InMemoryRun run_in_memory(const InputTexts& texts, const WantedTexts& wanted);

}  // namespace diesel
