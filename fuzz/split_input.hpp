// The fuzzers' packing of three input files into one byte string: the texts
// of "fort3.dat", "fort2.dat" and "fort14.dat" in this order, separated by a
// line holding only "%%". With fewer than two separators the later files are
// missing ("a" alone has no "fort2.dat" and no "fort14.dat"); an empty part is
// an empty file. Each part keeps the line end before its separator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "state/run_io.hpp"

namespace diesel::fuzz {

inline InputTexts split_input(const uint8_t* data, size_t size) {
    constexpr std::string_view kSeparator = "\n%%\n";
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    InputTexts texts;
    std::optional<std::string>* parts[] = {&texts.fort3, &texts.fort2, &texts.fort14};
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = (i < 2) ? rest.find(kSeparator) : std::string_view::npos;
        if (at == std::string_view::npos) {
            *parts[i] = std::string(rest);
            break;
        }
        *parts[i] = std::string(rest.substr(0, at + 1));
        rest.remove_prefix(at + kSeparator.size());
    }
    return texts;
}

}  // namespace diesel::fuzz
