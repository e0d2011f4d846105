// diesel-cycle: zero-dimensional working-cycle simulation of a multi-cylinder,
// naturally aspirated direct-injection diesel engine.
#include <malloc.h>

#include <iostream>

#include "cli/command_line.hpp"
#include "files/process_cleanup.hpp"

int main(int argc, char** argv) {
    // A study makes and frees the state of a run for every point. Memory freed
    // is kept for the next point rather than handed back to the system each
    // time and faulted in anew.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
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
