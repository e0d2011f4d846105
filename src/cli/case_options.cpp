#include "cli/case_options.hpp"

#include <string_view>

namespace diesel {

namespace {

// The value of option `name` at argv[i]: "--name VALUE" or "--name=VALUE".
// Returns false when argv[i] is not that option.
bool option_value(int argc, const char* const* argv, int& i, std::string_view name, std::string& value,
                  bool& missing) {
    const std::string_view a = argv[i];
    missing = false;
    if (a == name) {
        if (i + 1 >= argc) {
            missing = true;
            return true;
        }
        value = argv[++i];
        return true;
    }
    if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == '=') {
        value = std::string(a.substr(name.size() + 1));
        return true;
    }
    return false;
}

}  // namespace

OptionTaken take_case_option(int argc, const char* const* argv, int& i, CaseInputOptions& options,
                             std::string& error, bool inputsAllowed) {
    std::string value;
    bool missing = false;
    if (option_value(argc, argv, i, "--set", value, missing)) {
        if (missing) {
            error = "--set needs NAME=VALUE, e.g. --set SPEED=2400";
            return OptionTaken::Error;
        }
        const auto o = parse_override(value, error);
        if (!o) return OptionTaken::Error;
        options.overrides.push_back(*o);
        return OptionTaken::Yes;
    }
    if (inputsAllowed && option_value(argc, argv, i, "--inputs", value, missing)) {
        if (!missing && value == "toml") options.inputs = InputChoice::Toml;
        else if (!missing && value == "fort") options.inputs = InputChoice::Fort;
        else {
            error = "--inputs takes toml (case.toml) or fort (fort3.dat and fort2.dat)";
            return OptionTaken::Error;
        }
        return OptionTaken::Yes;
    }
    return OptionTaken::No;
}

}  // namespace diesel
