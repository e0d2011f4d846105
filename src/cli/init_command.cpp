#include "cli/init_command.hpp"

#include <ostream>

namespace diesel {

int init_command(int, const char* const*, std::ostream&, std::ostream& err) {
    err << "diesel-cycle: 'init' is not available in this build\n";
    return 2;
}

}  // namespace diesel
