// diesel_cycle: the simulation as a Python module. A thin binding: cases,
// in-memory runs and maps of the library, their results as Python objects.
// Every run releases the GIL, so Python threads run cases in parallel.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <exception>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "case/input_error.hpp"
#include "py_case.hpp"
#include "py_result.hpp"
#include "report/output_figures.hpp"
#include "study/map_design.hpp"
#include "study/map_grid.hpp"
#include "study/point_pool.hpp"
#include "study/progress.hpp"
#include "study/study_run.hpp"

namespace py = pybind11;
using namespace diesel;
using namespace diesel::python;

namespace {

PyResult run_case(const Case& c) {
    const Case mine = c;  // the caller's case may change while this runs
    RunProducts products;
    {
        py::gil_scoped_release unlocked;
        products = run_products(mine);
    }
    PyResult result = make_result(products);
    if (!result.warnings.empty()) {
        const py::object warn = py::module_::import("warnings").attr("warn");
        for (const py::handle w : result.warnings) warn(w, py::module_::import("diesel_cycle").attr("RunWarning"), 1);
    }
    return result;
}

// sys.stderr as a stream, for the progress lines of a study: each line goes
// to sys.stderr.write whole. Written to only while the GIL is held.
class PythonStderr final : public std::streambuf {
public:
    PythonStderr() : write_(py::module_::import("sys").attr("stderr").attr("write")) {}

    bool wrote() const { return wrote_; }

    // A failed write is raised where the binding can raise it, not swallowed by the stream.
    void raise_failure() {
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        line_ += traits_type::to_char_type(c);
        if (line_.back() != '\n') return c;
        try {
            write_(line_);
            wrote_ = true;
        } catch (...) {
            failure_ = std::current_exception();
        }
        line_.clear();
        return c;
    }

private:
    py::object write_;
    std::string line_;
    bool wrote_ = false;
    std::exception_ptr failure_;
};

py::object run_map(const Case& c, const std::vector<float>& speeds, const std::vector<float>& loads,
                   const std::optional<py::dict>& set, std::optional<int> jobs, bool progress, bool asFrame) {
    if (jobs && *jobs < 1) throw py::value_error("map: jobs must be at least 1");
    const MapGrid grid = case_map_grid(c, set ? settings_of(*set) : std::vector<ItemSetting>{}, speeds, loads);
    const std::vector<MapPoint>& points = grid.points;
    // What a row needs of each run; the runs themselves do not stay.
    struct Point {
        std::vector<float> figures;  // in the order of the figures table; empty when the input was refused
        RunOutcome outcome;
        std::string inputError;
    };
    std::vector<Point> done(points.size());

    PythonStderr stderrLines;
    std::ostream err(&stderrLines);
    Progress lines(err, "map", "points done", points.size(), !progress);
    bool interrupted = false;
    {
        py::gil_scoped_release unlocked;
        run_point_pool(
            points.size(), jobs ? static_cast<unsigned>(*jobs) : 0u,
            [&](std::size_t i) {
                const StudyRun run = run_study_case(point_case(grid, points[i]));
                done[i].inputError = run.error;
                done[i].outcome = run.outcome;
                if (run.status != StudyRun::Status::Ran) return;
                for (const OutputFigure& f : output_figures()) done[i].figures.push_back(f.value(*run.state));
            },
            [&](std::size_t finished) {
                py::gil_scoped_acquire locked;
                // Ctrl-C stops the map; the pending KeyboardInterrupt is raised below.
                if (PyErr_CheckSignals() != 0) {
                    interrupted = true;
                    return false;
                }
                lines.tick(finished);
                stderrLines.raise_failure();
                return true;
            });
    }
    if (interrupted) throw py::error_already_set();
    // A map too short for a progress line ends without one.
    if (stderrLines.wrote()) lines.finish(points.size());
    stderrLines.raise_failure();

    const char* loadKey = grid.loadIsFuel ? "set_fuel" : "target_pe";
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
    if (asFrame) return py::module_::import("pandas").attr("DataFrame")(rows);
    return rows;
}

}  // namespace

PYBIND11_MODULE(diesel_cycle, m) {
    m.doc() = "Zero-dimensional working-cycle simulation of a multi-cylinder diesel engine.";
    m.attr("__version__") = DIESEL_VERSION;

    // Error -> InputError (also a ValueError) -> ItemNameError (also a
    // KeyError, as a dict's unknown key is); files that cannot be read or
    // written are OSError, as Python's own.
    static PyObject* error = PyErr_NewExceptionWithDoc("diesel_cycle.Error", "Base of the errors of diesel_cycle.",
                                                        PyExc_Exception, nullptr);
    static PyObject* inputError = PyErr_NewExceptionWithDoc(
        "diesel_cycle.InputError", "An input the program refuses; the message names where it was given.",
        py::make_tuple(py::handle(error), py::handle(PyExc_ValueError)).release().ptr(), nullptr);
    py::dict plainText;  // the message as it is, not quoted as KeyError quotes it
    plainText["__str__"] = py::handle(PyExc_BaseException).attr("__str__");
    static PyObject* nameError = PyErr_NewExceptionWithDoc(
        "diesel_cycle.ItemNameError", "A name that is no input item (the nearest are named), or that several share.",
        py::make_tuple(py::handle(inputError), py::handle(PyExc_KeyError)).release().ptr(), plainText.ptr());
    static PyObject* runWarning = PyErr_NewExceptionWithDoc(
        "diesel_cycle.RunWarning", "What the command line prints as a warning: an implausible input, a run that went astray.",
        PyExc_UserWarning, nullptr);
    m.add_object("Error", py::handle(error));
    m.add_object("InputError", py::handle(inputError));
    m.add_object("ItemNameError", py::handle(nameError));
    m.add_object("RunWarning", py::handle(runWarning));
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const InputFileError& e) {
            PyErr_SetObject(PyExc_OSError, py::make_tuple(e.errnum, e.what(), e.path).ptr());
        } catch (const ItemNameError& e) {
            PyErr_SetString(nameError, e.what());
        } catch (const InputError& e) {
            PyErr_SetString(inputError, e.what());
        }
    });

    bind_case(m);

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
        .def_readonly("warnings", &PyResult::warnings,
                      "What the command line prints as warnings for the run, without 'diesel-cycle: warning: '.")
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
                                      r.reports, r.json, r.warnings);
            },
            [](const py::tuple& t) {
                // Results pickled before they carried warnings have nine fields.
                if (t.size() != 9 && t.size() != 10) throw std::runtime_error("diesel_cycle.Result: not a pickled result");
                return PyResult{t[0].cast<py::dict>(), t[1].cast<py::dict>(), t[2].cast<std::string>(),
                                t[3].cast<std::string>(), t[4].cast<int>(), t[5].cast<py::dict>(),
                                t[6].cast<py::dict>(), t[7].cast<py::dict>(), t[8].cast<std::string>(),
                                t.size() == 10 ? t[9].cast<py::list>() : py::list()};
            }));

    m.def("run", &run_case, py::arg("case"),
          "Runs the case in memory and returns its Result. A run ended early by a\n"
          "stopping rule is a Result too (see .ended); input the program refuses\n"
          "raises InputError. Releases the GIL while it runs.");
    m.def("map", &run_map, py::arg("case"), py::kw_only(), py::arg("speeds"), py::arg("loads"),
          py::arg("set") = py::none(), py::arg("jobs") = py::none(), py::arg("progress") = true,
          py::arg("as_frame") = false,
          "Runs the case at every speed [rpm] and load (target pe [bar], or the fuel\n"
          "quantity [10 mm3] when the case fixes the fuel), speeds outer, loads inner,\n"
          "on `jobs` threads (default: one per core). `set` changes items of every\n"
          "point, {name or key: value}, as case[name] = value does; the speed and the\n"
          "load item are the axes' and refused there. Returns one dict per point:\n"
          "point, speed, target_pe or set_fuel, every figure, cycles, ended, message;\n"
          "with as_frame=True a pandas DataFrame of them. Progress goes to sys.stderr\n"
          "once a second when it takes longer; Ctrl-C stops it.");
}
