// diesel_cycle: the simulation as a Python module. A thin binding: cases,
// in-memory runs and maps of the library, their results as Python objects.
// Every run releases the GIL, so Python threads run cases in parallel.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "driver/in_memory_run.hpp"
#include "case/run_inputs.hpp"
#include "py_case.hpp"
#include "py_result.hpp"
#include "report/output_figures.hpp"
#include "study/map_grid.hpp"
#include "study/point_pool.hpp"

namespace py = pybind11;
namespace fs = std::filesystem;
using namespace diesel;
using namespace diesel::python;

namespace {

PyResult run_case(const PyCase& c) {
    const InputTexts texts = c.texts;  // the caller's case may change while this runs
    RunProducts products;
    {
        py::gil_scoped_release unlocked;
        products = run_products(texts);
    }
    return make_result(products);
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", s);
    return buf;
}

py::list run_map(const PyCase& c, const std::vector<float>& speeds, const std::vector<float>& loads,
                 std::optional<int> jobs, bool progress) {
    if (jobs && *jobs < 1) throw py::value_error("map: jobs must be at least 1");
    const PyCase mine = c;
    const std::unique_ptr<RunState> s = read_case(mine);
    const BasePoint base{s->SPEED, s->MODE, s->PETARG, s->FUEL, s->NCYL};
    const std::vector<MapPoint> points = map_points(speeds, loads);
    // What a row needs of each run; the runs themselves do not stay.
    struct Point {
        std::vector<float> figures;  // in the order of the figures table; empty when the input was refused
        RunOutcome outcome;
        std::string inputError;
    };
    std::vector<Point> done(points.size());

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto shown = start;
    bool interrupted = false, anyShown = false;
    const py::object write = py::module_::import("sys").attr("stderr").attr("write");
    const auto report = [&](std::size_t done, bool last) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::string line = "map: " + std::to_string(done) + " of " + std::to_string(points.size()) + " points done";
        if (last) {
            line += ", " + seconds(elapsed);
        } else if (done > 0) {
            line += ", about " + seconds(elapsed / static_cast<double>(done) * static_cast<double>(points.size() - done)) +
                    " left";
        }
        write(line + "\n");
    };
    {
        py::gil_scoped_release unlocked;
        run_point_pool(
            points.size(), jobs ? static_cast<unsigned>(*jobs) : 0u,
            [&](std::size_t i) {
                InputTexts texts = mine.texts;
                texts.fort3 = point_fort3(base, points[i]);
                const InMemoryRun run = run_in_memory(texts);
                done[i].inputError = run.inputError;
                done[i].outcome = run.outcome;
                if (!run.inputOk) return;
                for (const OutputFigure& f : output_figures()) done[i].figures.push_back(f.value(*run.state));
            },
            [&](std::size_t finished) {
                py::gil_scoped_acquire locked;
                // Ctrl-C stops the map; the pending KeyboardInterrupt is raised below.
                if (PyErr_CheckSignals() != 0) {
                    interrupted = true;
                    return false;
                }
                if (progress && Clock::now() - shown >= std::chrono::seconds(1)) {
                    report(finished, false);
                    shown = Clock::now();
                    anyShown = true;
                }
                return true;
            });
    }
    if (interrupted) throw py::error_already_set();
    if (anyShown) report(points.size(), true);

    const char* loadKey = load_is_fuel(base) ? "set_fuel" : "target_pe";
    const py::object float32 = py::module_::import("numpy").attr("float32");
    py::list rows;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = done[i];
        py::dict row;
        row["point"] = points[i].index;
        row["speed"] = float32(static_cast<double>(points[i].speed));
        row[loadKey] = float32(static_cast<double>(points[i].load));
        for (std::size_t k = 0; k < p.figures.size(); ++k)
            row[output_figures()[k].name] = float32(static_cast<double>(p.figures[k]));
        if (!p.figures.empty()) {
            row["cycles"] = p.outcome.cycle;
            row["ended"] = run_end_name(p.outcome.end);
            row["message"] = p.outcome.reason;
        } else {
            row["cycles"] = 0;
            row["ended"] = "input-error";
            row["message"] = p.inputError;
        }
        rows.append(row);
    }
    return rows;
}

std::string case_repr(const PyCase& c) {
    try {
        const std::unique_ptr<RunState> s = read_case(c);
        char buf[160];
        std::snprintf(buf, sizeof buf, "<diesel_cycle.Case: %d cylinder%s, %g rpm, %s %g>", static_cast<int>(s->NCYL),
                      s->NCYL == 1 ? "" : "s", static_cast<double>(s->SPEED),
                      s->MODE == 2 ? "fuel [10 mm3]" : "target pe [bar]",
                      static_cast<double>(s->MODE == 2 ? s->FUEL : s->PETARG));
        return buf;
    } catch (const InputError&) {
        return "<diesel_cycle.Case: input not accepted>";
    }
}

}  // namespace

PYBIND11_MODULE(diesel_cycle, m) {
    m.doc() = "Zero-dimensional working-cycle simulation of a multi-cylinder diesel engine.";
    m.attr("__version__") = DIESEL_VERSION;

    // Error -> InputError (also a ValueError); files that cannot be read or
    // written are OSError, as Python's own.
    static PyObject* error = PyErr_NewExceptionWithDoc("diesel_cycle.Error", "Base of the errors of diesel_cycle.",
                                                        PyExc_Exception, nullptr);
    static PyObject* inputError = PyErr_NewExceptionWithDoc(
        "diesel_cycle.InputError", "An input the program refuses; the message names the file, record and item.",
        py::make_tuple(py::handle(error), py::handle(PyExc_ValueError)).release().ptr(), nullptr);
    m.add_object("Error", py::handle(error));
    m.add_object("InputError", py::handle(inputError));
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const InputError& e) {
            PyErr_SetString(inputError, e.what());
        } catch (const FileError& e) {
            PyErr_SetObject(PyExc_OSError, py::make_tuple(e.errnum, e.what(), e.path).ptr());
        }
    });

    py::class_<PyCase>(m, "Case", "The input set of one run.")
        .def_static(
            "from_folder", [](const fs::path& path) { return case_from_folder(path.string()); }, py::arg("path"),
            "The case of the input files in a folder (fort3.dat, fort2.dat, fort14.dat).\n"
            "Raises InputError for input the program refuses, OSError for a folder or\n"
            "file that cannot be read.")
        .def("copy", [](const PyCase& c) { return c; }, "An independent copy.")
        .def("__copy__", [](const PyCase& c) { return c; })
        .def("__deepcopy__", [](const PyCase& c, py::dict) { return c; }, py::arg("memo"))
        .def(
            "to_folder", [](const PyCase& c, const fs::path& path) { case_to_folder(c, path.string()); },
            py::arg("path"),
            "Writes the case's input files into the folder, creating it; a run there\n"
            "(diesel-cycle -C path) gives the results of diesel_cycle.run(case).")
        .def("__repr__", &case_repr)
        .def(py::pickle(
            [](const PyCase& c) { return py::make_tuple(c.texts.fort3, c.texts.fort2, c.texts.fort14); },
            [](const py::tuple& t) {
                if (t.size() != 3) throw std::runtime_error("diesel_cycle.Case: not a pickled case");
                return PyCase{{t[0].cast<std::optional<std::string>>(), t[1].cast<std::optional<std::string>>(),
                               t[2].cast<std::optional<std::string>>()}};
            }));

    py::class_<PyResult>(m, "Result", "What a run gives: figures, traces, reports, how it ended.")
        .def_readonly("figures", &PyResult::figures, "Every output figure by its short name (numpy.float32).")
        .def_readonly("units", &PyResult::units, "The unit of every figure.")
        .def_readonly("ended", &PyResult::ended, "'completed', or the stopping rule that ended the run.")
        .def_readonly("message", &PyResult::message, "Why the run stopped; empty when it completed.")
        .def_readonly("cycles", &PyResult::cycles, "Cycles run.")
        .def_readonly("traces", &PyResult::traces,
                      "Every recorded step of the output cycle: numpy float32 arrays keyed as the columns of traces.csv.")
        .def_readonly("trace_units", &PyResult::traceUnits, "The unit of every trace.")
        .def_readonly("reports", &PyResult::reports, "The texts of fort13, fort15 and fort16.")
        .def("to_json", [](const PyResult& r) { return r.json; }, "The text of results.json for this run.")
        .def(
            "to_pandas",
            [](const PyResult& r) {
                py::object frame = py::module_::import("pandas").attr("DataFrame")(r.traces);
                frame.attr("attrs")["units"] = r.traceUnits;
                return frame;
            },
            "The traces as a pandas DataFrame, one row per step (units in .attrs['units']).")
        .def("__repr__",
             [](const PyResult& r) {
                 return "<diesel_cycle.Result " + r.ended + " after " + std::to_string(r.cycles) +
                        " cycles: pe " + py::str(r.figures["pe"]).cast<std::string>() + " bar>";
             })
        .def(py::pickle(
            [](const PyResult& r) {
                return py::make_tuple(r.figures, r.units, r.ended, r.message, r.cycles, r.traces, r.traceUnits,
                                      r.reports, r.json);
            },
            [](const py::tuple& t) {
                if (t.size() != 9) throw std::runtime_error("diesel_cycle.Result: not a pickled result");
                return PyResult{t[0].cast<py::dict>(), t[1].cast<py::dict>(), t[2].cast<std::string>(),
                                t[3].cast<std::string>(), t[4].cast<int>(), t[5].cast<py::dict>(),
                                t[6].cast<py::dict>(), t[7].cast<py::dict>(), t[8].cast<std::string>()};
            }));

    m.def("run", &run_case, py::arg("case"),
          "Runs the case in memory and returns its Result. A run ended early by a\n"
          "stopping rule is a Result too (see .ended); input the program refuses\n"
          "raises InputError. Releases the GIL while it runs.");
    m.def("map", &run_map, py::arg("case"), py::kw_only(), py::arg("speeds"), py::arg("loads"),
          py::arg("jobs") = py::none(), py::arg("progress") = true,
          "Runs the case at every speed [rpm] and load (target pe [bar], or the fuel\n"
          "quantity [10 mm3] when the case fixes the fuel), speeds outer, loads inner,\n"
          "on `jobs` threads (default: one per core). Returns one dict per point:\n"
          "point, speed, target_pe or set_fuel, every figure, cycles, ended, message;\n"
          "pandas.DataFrame(rows) makes the table. Progress goes to sys.stderr once a\n"
          "second when it takes longer; Ctrl-C stops it.");
}
