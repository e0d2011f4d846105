// What each sequence of a warm-started map leaves for the sequences after it
// that follow the same loads at other speeds: the end states of its first two
// runs. A sequence's first run starts from its neighbour's first, carried on
// along the speed trend of the two sequences before it, and its second run
// from its own first moved by the load step its neighbour took between its
// first two (start_state.hpp); later runs follow a trend of their own.
//
// Sequences run on several threads, so a run waits for the heads it needs.
// A head is let go once every sequence that needs it has passed the run that
// does, so memory stays flat in the grid size.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "driver/start_state.hpp"
#include "study/map_grid.hpp"

namespace diesel {

inline constexpr std::size_t kHeadRuns = 2;  // runs of a sequence handed on

struct SequenceHead {
    std::shared_ptr<const StartState> state;  // null: the run did not complete, or did not run
    float at = 0.0f;                          // its load [bar] or fuel [10 mm3]
};

class SequenceHeads {
public:
    // `sequences` as load_sequences() gives them for `points`.
    SequenceHeads(const std::vector<MapPoint>& points, const std::vector<std::vector<std::size_t>>& sequences);

    // The sequence whose heads sequence k starts from, or k itself for none:
    // the latest one before it with the same varied values, if that has the
    // same first loads. So each sequence has at most one follower.
    std::size_t neighbour(std::size_t k) const { return neighbour_[k]; }
    // The speed of sequence k [rpm].
    float speed(std::size_t k) const { return speed_[k]; }

    // Run j of sequence k ended with `state` (null: not completed) at `at`.
    void tell(std::size_t k, std::size_t j, std::shared_ptr<const StartState> state, float at);
    // Run j of sequence k, once told of or the sequence closed.
    SequenceHead wait(std::size_t k, std::size_t j);
    // Sequence k has started `runs` runs and needs no heads for those again.
    void started(std::size_t k, std::size_t runs);
    // Sequence k has no further runs: it tells of none and needs no heads.
    void close(std::size_t k);

private:
    struct Heads {
        SequenceHead run[kHeadRuns];
        int users[kHeadRuns] = {0, 0};  // sequences still to start from each
        std::size_t told = 0;           // runs told of; kHeadRuns once closed
        std::size_t started = 0;        // own runs started
    };
    void drop_use(std::size_t k, std::size_t j);  // with lock_ held

    std::vector<std::size_t> neighbour_;
    std::vector<float> speed_;
    std::vector<Heads> heads_;
    std::mutex lock_;
    std::condition_variable changed_;
};

}  // namespace diesel
