#include "analysis/pressure_smoothing.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace diesel {

std::vector<double> smooth_pressure(const std::vector<double>& p, double step, double width, bool periodic) {
    if (!(width >= step) || p.empty()) return p;
    const double sigma = width / (2.0 * std::sqrt(2.0 * std::log(2.0))) / step;  // in samples
    const auto reach = static_cast<int64_t>(std::ceil(3.0 * sigma));
    std::vector<double> kernel(static_cast<size_t>(reach) + 1);
    for (int64_t k = 0; k <= reach; ++k) kernel[static_cast<size_t>(k)] = std::exp(-0.5 * (k / sigma) * (k / sigma));

    const auto n = static_cast<int64_t>(p.size());
    std::vector<double> out(p.size());
    for (int64_t i = 0; i < n; ++i) {
        double sum = 0.0;
        double weight = 0.0;
        // Near the ends of an open trace the kernel is narrowed evenly on both sides.
        const int64_t r = periodic ? reach : std::min({reach, i, n - 1 - i});
        for (int64_t k = -r; k <= r; ++k) {
            const int64_t j = periodic ? ((i + k) % n + n) % n : i + k;
            const double w = kernel[static_cast<size_t>(k < 0 ? -k : k)];
            sum += w * p[static_cast<size_t>(j)];
            weight += w;
        }
        out[static_cast<size_t>(i)] = sum / weight;
    }
    return out;
}

}  // namespace diesel
