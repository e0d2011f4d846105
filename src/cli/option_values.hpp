// Values of command-line options shared by the study commands.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace diesel {

// A whole number from `min` to `max`, digits only.
inline bool whole_number(const std::string& text, uint64_t min, uint64_t max, uint64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size() && value >= min && value <= max;
}

// --jobs N: points run at once.
inline bool jobs_value(const std::string& text, unsigned& jobs, std::string& error) {
    uint64_t n = 0;
    if (!whole_number(text, 1, 4096, n)) {
        error = "--jobs needs a whole number from 1 to 4096, not '" + text + "'";
        return false;
    }
    jobs = static_cast<unsigned>(n);
    return true;
}

}  // namespace diesel
