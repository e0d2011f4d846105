#include "cli/engine_map.hpp"

#include <ostream>

namespace diesel {

int map_command(int, const char* const*, std::ostream&, std::ostream& err) {
    err << "diesel-cycle: 'map' is not available in this build\n";
    return 2;
}

}  // namespace diesel
