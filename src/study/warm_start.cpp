#include "study/warm_start.hpp"

#include <bit>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace diesel {

const StartState* WarmStart::start_at(float position) {
    if (before_ == nullptr) return start();
    // In float, as the model's quantities; a ratio out of reach leaves the last state.
    next_ = extrapolated(*before_, *last_, (position - lastAt_) / (lastAt_ - beforeAt_));
    return next_ != nullptr ? next_.get() : start();
}

void WarmStart::ran(const RunState* end, RunEnd how, float position) {
    if (!on_ || end == nullptr || how != RunEnd::Completed) return;
    std::unique_ptr<StartState> now = start_state_of(*end);
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
