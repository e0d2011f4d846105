// A float result kept with the bits of the float arguments it was formed
// from. The same bits give the same result (pow and the like are pure), so
// it is formed again only when one of them changes: the same value, bit for
// bit, as forming it every time.
#pragma once

#include <bit>
#include <cstdint>

namespace diesel {

template <int N>
class KeptResult {
public:
    // The result for `args`: the kept one when they have the bits it was
    // formed from, else form(), kept with them.
    template <class Form>
    float get(const float (&args)[N], Form form) {
        bool same = formed_;
        for (int i = 0; i < N; ++i) same = same && std::bit_cast<uint32_t>(args[i]) == bits_[i];
        if (!same) {
            value_ = form();
            for (int i = 0; i < N; ++i) bits_[i] = std::bit_cast<uint32_t>(args[i]);
            formed_ = true;
        }
        return value_;
    }

private:
    bool formed_ = false;
    uint32_t bits_[N] = {};
    float value_ = 0.0f;
};

}  // namespace diesel
