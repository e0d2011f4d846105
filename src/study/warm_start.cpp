#include "study/warm_start.hpp"

#include <bit>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace diesel {

const StartState* WarmStart::start_beside(float position) {
    if (!on_ || heads_ == nullptr || runs_ >= kHeadRuns) return nullptr;
    const std::size_t b = heads_->neighbour(k_);
    if (b == k_) return nullptr;
    held_ = nullptr;
    next_ = nullptr;
    if (runs_ == 0) {
        // The first run: the neighbour's first, along the speed trend where
        // there is one.
        const SequenceHead last = heads_->wait(b, 0);
        const std::size_t bb = heads_->neighbour(b);
        if (bb != b && last.state != nullptr) {
            const SequenceHead before = heads_->wait(bb, 0);
            const float ratio = (heads_->speed(k_) - heads_->speed(b)) / (heads_->speed(b) - heads_->speed(bb));
            if (before.state != nullptr) next_ = extrapolated(*before.state, *last.state, ratio);
        }
        heads_->started(k_, 1);
        if (next_ != nullptr) return next_.get();
        held_ = last.state;
        return held_.get();
    }
    // The second run: its own first moved by the load step its neighbour
    // took; from its case where its own first did not complete.
    const SequenceHead from = heads_->wait(b, 0), to = heads_->wait(b, 1);
    heads_->started(k_, 2);
    if (lastFailed_ || from.state == nullptr || to.state == nullptr) return nullptr;
    next_ = shifted(*last_, *from.state, *to.state, (position - lastAt_) / (to.at - from.at));
    return next_.get();
}

const StartState* WarmStart::start_at(float position) {
    if (const StartState* beside = start_beside(position); beside != nullptr) return beside;
    // After a run that did not complete, the states that led to it are no
    // start for the next, a step further on: on maps, the loads after such a
    // run, started warm, failed alike one after another where lone runs completed.
    if (lastFailed_) return nullptr;
    if (before_ == nullptr) return start();
    // In float, as the model's quantities; a ratio out of reach leaves the last state.
    next_ = extrapolated(*before_, *last_, (position - lastAt_) / (lastAt_ - beforeAt_));
    return next_ != nullptr ? next_.get() : start();
}

void WarmStart::ran(const RunState* end, RunEnd how, float position) {
    const std::size_t run = runs_++;
    std::shared_ptr<const StartState> now;
    if (on_ && end != nullptr && how == RunEnd::Completed) now = start_state_of(*end);
    if (heads_ != nullptr) heads_->tell(k_, run, now, position);
    lastFailed_ = now == nullptr;
    if (now == nullptr) return;
    before_ = std::move(last_);
    beforeAt_ = lastAt_;
    last_ = std::move(now);
    lastAt_ = position;
}

std::vector<std::vector<std::size_t>> load_sequences(const std::vector<MapPoint>& points) {
    std::vector<std::vector<std::size_t>> sequences;
    std::map<std::pair<uint32_t, std::vector<std::string>>, std::size_t> of;  // speed bits and values -> sequence
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto [at, added] = of.try_emplace({std::bit_cast<uint32_t>(points[i].speed), points[i].values},
                                                sequences.size());
        if (added) sequences.emplace_back();
        sequences[at->second].push_back(i);
    }
    return sequences;
}

}  // namespace diesel
