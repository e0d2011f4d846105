// A figure of analysis.json and calibration.json: 7 significant digits (what
// a float holds), null when it is not a finite number.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace diesel {

inline nlohmann::ordered_json json_figure(double v) {
    if (!std::isfinite(v)) return nullptr;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return std::strtod(buf, nullptr);
}

}  // namespace diesel
