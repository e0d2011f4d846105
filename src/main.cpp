// diesel-cycle: zero-dimensional working-cycle simulation of a multi-cylinder,
// naturally aspirated direct-injection diesel engine.
#include <iostream>

#include "cli/command_line.hpp"
#include "files/process_cleanup.hpp"

int main(int argc, char** argv) {
    diesel::install_signal_cleanup();
    try {
        int status = diesel::run_command_line(argc, argv, std::cout, std::cerr);
        // Whatever a command printed must have arrived for its success to count.
        if (!std::cout.flush() && status == 0) {
            std::cerr << "diesel-cycle: standard output: could not be written\n";
            status = 2;
        }
        return status;
    } catch (...) {
        diesel::last_resort_exit();
    }
}
