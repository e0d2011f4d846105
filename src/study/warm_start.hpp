// Warm starts of a study (--warm-start): each run starts from the converged
// state of fixed predecessors rather than from its case's start rows, so that
// the results do not depend on the number of jobs or on thread timing. Only
// the frontier is kept: two states per sequence of runs, and the first two of
// a map's sequence until its follower has started from them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "driver/start_state.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"
#include "study/map_grid.hpp"
#include "study/sequence_heads.hpp"

namespace diesel {

// A sequence of runs in which each starts from the state the latest
// completed one ended with; before the first completed run, or when warm
// starts are off, a run starts from its case. A run that a stopping rule
// ended hands nothing on: its state is no converged one.
//
// Where the runs follow a quantity step by step (a map's loads), each run may
// say where it lies on it: a run then starts from the last state carried on
// along the trend from the one before (extrapolated(), start_state.hpp), the
// response of the slow parts of the engine (the exhaust receiver, the load
// control) to the step included. A sequence that joined a map's heads starts
// its first two runs, which have no trend of their own, from its neighbour's.
// There, a run after one that did not complete starts from its case.
class WarmStart {
public:
    explicit WarmStart(bool on) : on_(on) {}

    // Where the next run starts: a start state, or null for its case's start rows.
    const StartState* start() const { return last_.get(); }

    // The same for a run at `position` on the quantity the sequence follows.
    const StartState* start_at(float position);

    // Told of every run of the sequence, in order: its state at the end (null
    // when it did not run), how it ended and where it lies.
    void ran(const RunState* end, RunEnd how, float position = 0.0f);

    // Makes this sequence sequence k of a map's `heads`: it tells them of its
    // first runs, and starts those from its neighbour's (sequence_heads.hpp).
    void join(SequenceHeads& heads, std::size_t k) {
        heads_ = &heads;
        k_ = k;
    }

private:
    // Where run `runs_` starts from the neighbouring sequence; null for none.
    const StartState* start_beside(float position);

    bool on_;
    std::shared_ptr<const StartState> before_, last_;  // the two latest completed runs
    float beforeAt_ = 0.0f, lastAt_ = 0.0f;            // their positions
    std::unique_ptr<StartState> next_;                 // the latest start_at()
    std::shared_ptr<const StartState> held_;           // a neighbour's state in use
    std::size_t runs_ = 0;                             // runs told of
    bool lastFailed_ = false;                          // the latest run did not complete
    SequenceHeads* heads_ = nullptr;
    std::size_t k_ = 0;
};

// The points of a map that differ in their load alone (same speed, same
// varied values), each sequence in row order, the sequences in the order of
// their first points: the previous load at the same speed is each point's
// predecessor.
std::vector<std::vector<std::size_t>> load_sequences(const std::vector<MapPoint>& points);

}  // namespace diesel
