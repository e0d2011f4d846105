// What diesel_cycle.run() returns: the figures, traces and reports of one run
// as Python objects, and the results.json text of the run. Plain data, so a
// Result pickles (process pools, Dask, Ray) and needs no C++ state.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "driver/in_memory_run.hpp"

namespace diesel::python {

namespace py = pybind11;

struct PyResult {
    py::dict figures;      // short name -> numpy.float32
    py::dict units;        // short name -> unit
    std::string ended;     // "completed" or the stopping rule ("max-cycles", ...)
    std::string message;   // why the run stopped; empty when completed
    int cycles = 0;
    py::dict traces;       // traces.csv column name -> numpy float32 array
    py::dict traceUnits;   // column name -> unit
    py::dict reports;      // "fort13", "fort15", "fort16" -> text
    std::string json;      // results.json
    py::list warnings;     // what the command line prints as warnings, without "diesel-cycle: warning: "
};

// A run of a case and everything of its Result that needs no Python object,
// made with the GIL released so that runs on many threads overlap whole.
struct RunProducts {
    InMemoryRun run;
    std::vector<std::string> traceNames;
    std::vector<const char*> traceUnits;
    std::vector<std::vector<float>> traceColumns;
    std::string json;
};

// Checks and runs `c`; throws InputError. Needs no GIL.
RunProducts run_products(const Case& c);

// Needs the GIL.
PyResult make_result(const RunProducts& products);

// name -> numpy.float32 of every figure of a finished run; needs the GIL.
py::dict figures_of(const RunState& end);

}  // namespace diesel::python
