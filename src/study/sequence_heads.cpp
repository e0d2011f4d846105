#include "study/sequence_heads.hpp"

#include <bit>
#include <cstdint>
#include <utility>

namespace diesel {

namespace {

bool same_bits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// Whether the first runs of two sequences lie at the same loads.
bool same_first_loads(const std::vector<MapPoint>& points, const std::vector<std::size_t>& a,
                      const std::vector<std::size_t>& b) {
    for (std::size_t j = 0; j < kHeadRuns && j < a.size() && j < b.size(); ++j)
        if (!same_bits(points[a[j]].load, points[b[j]].load)) return false;
    return true;
}

}  // namespace

SequenceHeads::SequenceHeads(const std::vector<MapPoint>& points,
                             const std::vector<std::vector<std::size_t>>& sequences)
    : neighbour_(sequences.size()), speed_(sequences.size()), heads_(sequences.size()) {
    for (std::size_t k = 0; k < sequences.size(); ++k) {
        neighbour_[k] = k;
        speed_[k] = points[sequences[k][0]].speed;
        for (std::size_t b = k; b-- > 0;) {
            if (points[sequences[b][0]].values != points[sequences[k][0]].values) continue;
            if (same_first_loads(points, sequences[b], sequences[k])) neighbour_[k] = b;
            break;
        }
    }
    // Who starts from which head: the follower from both, its own follower
    // from the first as well (the speed trend).
    for (std::size_t k = 0; k < sequences.size(); ++k) {
        const std::size_t b = neighbour_[k];
        if (b == k) continue;
        ++heads_[b].users[0];
        ++heads_[b].users[1];
        if (neighbour_[b] != b) ++heads_[neighbour_[b]].users[0];
    }
}

void SequenceHeads::tell(std::size_t k, std::size_t j, std::shared_ptr<const StartState> state, float at) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        Heads& h = heads_[k];
        if (j != h.told || j >= kHeadRuns) return;
        if (h.users[j] > 0) h.run[j] = {std::move(state), at};
        ++h.told;
    }
    changed_.notify_all();
}

SequenceHead SequenceHeads::wait(std::size_t k, std::size_t j) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&]() { return heads_[k].told > j; });
    return heads_[k].run[j];
}

void SequenceHeads::drop_use(std::size_t k, std::size_t j) {
    if (--heads_[k].users[j] == 0) heads_[k].run[j].state.reset();
}

void SequenceHeads::started(std::size_t k, std::size_t runs) {
    std::lock_guard<std::mutex> hold(lock_);
    const std::size_t b = neighbour_[k];
    for (std::size_t& n = heads_[k].started; n < runs && n < kHeadRuns; ++n) {
        if (b == k) continue;
        if (n == 0 && neighbour_[b] != b) drop_use(neighbour_[b], 0);  // the speed trend, first run only
        if (n == 1) drop_use(b, 0), drop_use(b, 1);
    }
}

void SequenceHeads::close(std::size_t k) {
    started(k, kHeadRuns);
    {
        std::lock_guard<std::mutex> hold(lock_);
        heads_[k].told = kHeadRuns;
    }
    changed_.notify_all();
}

}  // namespace diesel
