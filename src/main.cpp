// diesel-cycle: zero-dimensional working-cycle simulation of a multi-cylinder,
// naturally aspirated direct-injection diesel engine.
#include <iostream>

#include "cli/command_line.hpp"

int main(int argc, char** argv) {
    return diesel::run_command_line(argc, argv, std::cout, std::cerr);
}
