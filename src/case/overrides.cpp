#include "case/overrides.hpp"

namespace diesel {

std::optional<Override> parse_override(std::string_view argument, std::string& error) {
    const std::size_t eq = argument.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = "--set " + std::string(argument) + ": expected NAME=VALUE, e.g. --set SPEED=2400";
        return std::nullopt;
    }
    std::string why;
    const std::optional<Item> item = find_item(argument.substr(0, eq), why);
    if (!item) {
        error = "--set " + std::string(argument) + ": " + why;
        return std::nullopt;
    }
    Override o{*item, std::string(argument.substr(eq + 1)), std::string(argument)};
    Case probe;  // the value must read as the item's type
    if (const std::string bad = probe.set_text(o.item, o.value, {}); !bad.empty()) {
        error = "--set " + o.argument + ": " + (o.value.empty() ? std::string("no value given") : bad);
        return std::nullopt;
    }
    return o;
}

std::string apply_overrides(Case& c, const std::vector<Override>& overrides, const std::vector<SweptItem>& swept) {
    for (std::size_t i = 0; i < overrides.size(); ++i) {
        const Override& o = overrides[i];
        for (const SweptItem& s : swept)
            if (s.item == o.item)
                return "--set " + o.argument + ": " + item_label(o.item) + " is also varied by " + s.option +
                       "; give it in one place only";
        for (std::size_t j = 0; j < i; ++j)
            if (overrides[j].item == o.item)
                return "--set " + o.argument + ": " + item_label(o.item) + " is already set by --set " +
                       overrides[j].argument;
        if (const std::string bad = c.set_text(o.item, o.value, {ValueSource::Kind::CommandLine, 0, {}}); !bad.empty())
            return "--set " + o.argument + ": " + bad;
    }
    return {};
}

}  // namespace diesel
