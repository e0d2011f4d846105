// Values of command-line options and the folder argument, as the commands share them.
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

// The argument `a` that is no option: the folder the command works on, which
// is named once (`what` says which folder, for the message).
inline bool folder_argument(const std::string& a, const char* what, std::string& folder, std::string& error) {
    if (!a.empty() && a[0] == '-') {
        error = "unknown option '" + a + "'";
        return false;
    }
    if (!folder.empty()) {
        error = std::string("more than one ") + what + " ('" + folder + "', '" + a + "')";
        return false;
    }
    folder = a;
    return true;
}

// The value of option argv[i] (`a`), which moves i on to it.
inline bool option_value(int argc, const char* const* argv, int& i, const std::string& a, std::string& value,
                         std::string& error) {
    if (i + 1 >= argc) {
        error = a + " needs a value";
        return false;
    }
    value = argv[++i];
    return true;
}

}  // namespace diesel
