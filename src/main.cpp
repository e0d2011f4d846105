// diesel-cycle: zero-dimensional working-cycle simulation of a multi-cylinder,
// naturally aspirated direct-injection diesel engine.
#include <iostream>

#include "cli/command_line.hpp"
#include "files/process_cleanup.hpp"

int main(int argc, char** argv) {
    diesel::install_signal_cleanup();
    try {
        return diesel::run_command_line(argc, argv, std::cout, std::cerr);
    } catch (...) {
        diesel::last_resort_exit();
    }
}
