#include "input/start_table.hpp"

#include <cstdio>

namespace diesel {

std::string start_table_text(const RunState& s) {
    std::string text;
    const int32_t rows = s.NCYLE - 1;
    // NCYLE above 720 would give a row spacing of 0; such a value is refused
    // when read, and never indexes the history here.
    if (rows < 1 || s.NCYLE > 720) return text;
    const int32_t spacing = 720 / s.NCYLE;  // history steps between rows
    for (int32_t j = 1; j <= rows; ++j) {
        const int32_t i = j * spacing;
        // 9 significant digits read back to the identical float.
        char line[64];
        std::snprintf(line, sizeof line, "%16.8E%16.8E%16.8E\n", static_cast<double>(s.TRMASS[i]),
                      static_cast<double>(s.TRTEMP[i]), static_cast<double>(s.TREQR[i]));
        text += line;
    }
    return text;
}

}  // namespace diesel
