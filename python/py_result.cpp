#include "py_result.hpp"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "case/run_inputs.hpp"
#include "report/output_figures.hpp"
#include "report/results_json.hpp"
#include "report/trace_table.hpp"

namespace diesel::python {

py::dict figures_of(const RunState& end) {
    // numpy.float32 keeps the exact float and prints as results.json writes it.
    const py::object float32 = py::module_::import("numpy").attr("float32");
    py::dict figures;
    for (const OutputFigure& f : output_figures()) figures[f.name] = float32(static_cast<double>(f.value(end)));
    return figures;
}

RunProducts run_products(const Case& c) {
    RunProducts p;
    auto inputs = std::make_unique<RunState>();
    load_case(c, *inputs);
    TraceTable traces(inputs->NCYL);
    // The traces come from the table; the reports are texts of the Result.
    p.run = run_in_memory(c, WantedTexts{false, true, false}, &traces);
    p.traceNames = traces.names();
    p.traceUnits = traces.units();
    p.traceColumns.assign(traces.columns(), std::vector<float>(traces.rows()));
    for (std::size_t i = 0; i < traces.rows(); ++i) {
        for (std::size_t c = 0; c < traces.columns(); ++c) p.traceColumns[c][i] = traces.row(i)[c];
    }
    p.json = results_json(*inputs, *p.run.state, p.run.outcome);
    return p;
}

PyResult make_result(const RunProducts& p) {
    const InMemoryRun& run = p.run;
    PyResult r;
    r.figures = figures_of(*run.state);
    for (const OutputFigure& f : output_figures()) r.units[f.name] = f.unit;
    r.ended = run_end_name(run.outcome.end);
    r.message = run.outcome.reason;
    r.cycles = run.outcome.cycle;
    for (std::size_t c = 0; c < p.traceNames.size(); ++c) {
        const std::vector<float>& values = p.traceColumns[c];
        py::array_t<float> column(static_cast<py::ssize_t>(values.size()));
        if (!values.empty()) std::memcpy(column.mutable_data(), values.data(), values.size() * sizeof(float));
        r.traces[p.traceNames[c].c_str()] = std::move(column);
        r.traceUnits[p.traceNames[c].c_str()] = p.traceUnits[c];
    }
    // The reports hold two raw Latin-1 bytes (0xAD, 0xE7).
    for (const auto& [name, text] : {std::pair{"fort13", &run.fort13}, {"fort15", &run.fort15}, {"fort16", &run.fort16}}) {
        PyObject* decoded = PyUnicode_DecodeLatin1(text->data(), static_cast<py::ssize_t>(text->size()), nullptr);
        if (decoded == nullptr) throw py::error_already_set();
        r.reports[name] = py::reinterpret_steal<py::str>(decoded);
    }
    r.json = p.json;
    constexpr std::string_view kWarning = "diesel-cycle: warning: ";
    std::string_view diag = run.diag;
    while (!diag.empty()) {
        const std::size_t end = std::min(diag.find('\n'), diag.size());
        if (const std::string_view line = diag.substr(0, end); line.starts_with(kWarning))
            r.warnings.append(py::str(std::string(line.substr(kWarning.size()))));
        diag.remove_prefix(std::min(end + 1, diag.size()));
    }
    return r;
}

}  // namespace diesel::python
