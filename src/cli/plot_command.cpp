#include "cli/plot_command.hpp"

#include <ostream>

namespace diesel {

int plot_command(int, const char* const*, std::ostream&, std::ostream& err) {
    err << "diesel-cycle: 'plot' is not available in this build\n";
    return 2;
}

}  // namespace diesel
