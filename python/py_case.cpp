#include "py_case.hpp"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "case/case_bytes.hpp"
#include "case/case_checks.hpp"
#include "case/case_toml.hpp"
#include "case/input_error.hpp"
#include "files/case_inputs.hpp"

namespace diesel::python {

namespace fs = std::filesystem;

namespace {

py::object float32(float v) { return py::module_::import("numpy").attr("float32")(static_cast<double>(v)); }

Case from_folder(const fs::path& path, const std::string& inputs) {
    CaseInputOptions options;
    if (inputs == "toml") options.inputs = InputChoice::Toml;
    else if (inputs == "fort") options.inputs = InputChoice::Fort;
    else if (inputs != "auto") throw py::value_error("Case.from_folder: inputs must be 'auto', 'toml' or 'fort'");
    std::error_code ec;
    const std::string dir = path.string();
    if (!fs::is_directory(path, ec))
        throw InputFileError(dir + ": no such folder", ENOENT, dir);
    return load_folder_case(dir, options).c;
}

Case from_toml(const std::string& text, const std::string& name) {
    Case c = read_case_toml(text, name);
    const CaseCheck check = check_case(c);
    if (!check.errors.empty()) throw InputError(check.errors.front());
    return c;
}

py::list to_folder(const Case& c, const fs::path& path, const std::string& format) {
    if (format != "toml" && format != "fort") throw py::value_error("Case.to_folder: format must be 'toml' or 'fort'");
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) throw InputFileError(path.string() + ": cannot create the folder: " + ec.message(), ec.value(), path.string());
    py::list written;
    for (const std::string& p : write_folder_case(path.string(), with_inline_start_rows(c),
                                                  format == "toml" ? CaseFormat::Toml : CaseFormat::Fort, true))
        written.append(p);
    return written;
}

py::list keys() {
    py::list keys;
    for (const InputItem& it : input_items()) keys.append(it.key);
    return keys;
}

bool names_one_item(const std::string& name) {
    std::string error;
    return find_item(name, error).has_value();
}

py::list start_rows(const Case& c) {
    py::list rows;
    for (const StartRow& r : c.start.rows) rows.append(py::make_tuple(float32(r.mass), float32(r.temperature), float32(r.eqr)));
    return rows;
}

void set_start_rows_from(Case& c, const py::iterable& given) {
    std::vector<StartRow> rows;
    for (const py::handle row : given) {
        const auto values = py::reinterpret_borrow<py::sequence>(row);
        if (!py::isinstance<py::sequence>(row) || py::isinstance<py::str>(row) || values.size() != 3)
            throw py::value_error("start_rows: row " + std::to_string(rows.size() + 1) +
                                  " is not (mass [kg], temperature [K], equivalence ratio [-])");
        // Each rounded once to float, as a REAL item is.
        rows.push_back({static_cast<float>(values[0].cast<double>()), static_cast<float>(values[1].cast<double>()),
                        static_cast<float>(values[2].cast<double>())});
    }
    set_start_rows(c, std::move(rows));
}

std::string describe(const Case& c) {
    const int32_t ncyl = c.integer(Item::NCYL);
    const bool fuel = c.integer(Item::MODE) == 2;
    char buf[160];
    std::snprintf(buf, sizeof buf, "<diesel_cycle.Case: %d cylinder%s, %s rpm, %s %s>", static_cast<int>(ncyl),
                  ncyl == 1 ? "" : "s", shortest_text(c.real(Item::SPEED)).c_str(),
                  fuel ? "fuel [10 mm3]" : "target pe [bar]",
                  shortest_text(c.real(fuel ? Item::FUEL : Item::PETARG)).c_str());
    return buf;
}

}  // namespace

ItemValue item_value(const py::handle& value, const std::string& what) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (PyBool_Check(value.ptr()) == 0) {
        if (PyIndex_Check(value.ptr()) != 0) {
            PyObject* whole = PyNumber_Index(value.ptr());
            if (whole == nullptr) throw py::error_already_set();
            return py::str(py::reinterpret_steal<py::object>(whole)).cast<std::string>();
        }
        if (PyFloat_Check(value.ptr()) != 0 || py::hasattr(value, "__float__")) return value.cast<double>();
    }
    throw py::type_error(what + ": a number or its text is expected, not " +
                         py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>());
}

py::object item_object(const Case& c, Item item) {
    if (item_info(item).type == ItemType::Integer) return py::int_(c.integer(item));
    return float32(c.real(item));
}

std::vector<ItemSetting> settings_of(const py::dict& set) {
    std::vector<ItemSetting> settings;
    for (const auto& [name, value] : set) {
        if (!py::isinstance<py::str>(name))
            throw py::type_error("set: names are model names or case.toml keys (str), not " +
                                 py::str(py::type::handle_of(name).attr("__name__")).cast<std::string>());
        const std::string n = name.cast<std::string>();
        settings.push_back({n, item_value(value, "set " + n)});
    }
    return settings;
}

void bind_case(py::module_& m) {
    py::class_<Case>(m, "Case",
                     "The input set of one run: every input item, by model name ('SPEED') or case.toml\n"
                     "key ('operating_point.speed'), and the start rows of cylinders 2 .. NCYL.")
        .def_static("from_folder", &from_folder, py::arg("path"), py::arg("inputs") = "auto",
                    "The case of a folder: its case.toml or its fort files (fort3.dat, fort2.dat,\n"
                    "and fort14.dat for the start rows), checked as a run checks them.\n"
                    "inputs='toml' or 'fort' picks one when the folder holds both (which must\n"
                    "otherwise agree). Raises InputError for input the program refuses, OSError\n"
                    "for a folder or file that cannot be read.")
        .def_static("from_toml", &from_toml, py::arg("text"), py::arg("name") = "case.toml",
                    "The case of the text of a case file; `name` names it in messages. Start rows\n"
                    "it names a start_table file for are not read: set start_rows. Raises InputError.")
        .def("to_toml", [](const Case& c) { return write_case_toml(with_inline_start_rows(c)); },
             "The text of a case file for the case, its start rows inline.")
        .def("to_folder", &to_folder, py::arg("path"), py::arg("format") = "toml",
             "Writes the case into the folder, creating it and replacing the files it writes:\n"
             "case.toml (format='toml', start rows inline) or fort3.dat, fort2.dat and, when the\n"
             "case holds start rows, fort14.dat (format='fort'). A run there (diesel-cycle -C\n"
             "path) gives the results of diesel_cycle.run(case). Returns the paths written.")
        .def(
            "__getitem__", [](const Case& c, const std::string& name) { return item_object(c, item_named(name)); },
            py::arg("name"), "The value of an item: int for an integer item, numpy.float32 for a real one.")
        .def(
            "__setitem__",
            [](Case& c, const std::string& name, const py::handle& value) {
                const Item item = item_named(name);
                set_item(c, item, item_value(value, item_label(item)));
            },
            py::arg("name"), py::arg("value"),
            "Sets an item: a real one rounds the number once to float32, an integer one takes\n"
            "only a whole number; text reads as in the input files. A value no run could use\n"
            "whatever the other items hold raises InputError at once; the rest is checked at run.")
        .def("__contains__", [](const Case&, const std::string& name) { return names_one_item(name); }, py::arg("name"))
        .def("__len__", [](const Case&) { return input_items().size(); })
        .def("keys", [](const Case&) { return keys(); },
             "The case.toml keys of every item, in the order of the fort files.")
        .def("__iter__", [](const Case&) { return py::iter(keys()); })
        .def(
            "items",
            [](const Case& c) {
                py::list items;
                for (const InputItem& it : input_items()) items.append(py::make_tuple(it.key, item_object(c, it.id)));
                return items;
            },
            "(key, value) of every item.")
        .def(
            "values",
            [](const Case& c) {
                py::list values;
                for (const InputItem& it : input_items()) values.append(item_object(c, it.id));
                return values;
            },
            "The value of every item.")
        .def_property("start_rows", &start_rows, &set_start_rows_from,
                      "Start states of cylinders 2 .. NCYL, one (mass [kg], temperature [K],\n"
                      "equivalence ratio [-]) tuple per cylinder; set a list of them to replace them.")
        .def("copy", [](const Case& c) { return c; }, "An independent copy.")
        .def("__copy__", [](const Case& c) { return c; })
        .def("__deepcopy__", [](const Case& c, const py::dict&) { return c; }, py::arg("memo"))
        .def("__eq__", [](const Case& a, const Case& b) { return !first_difference(a, b).has_value(); },
             py::is_operator(), "Equal when both give the same run: every item and start row the run reads, to the bit.")
        .def("__repr__", &describe)
        .def(py::pickle([](const Case& c) { return py::bytes(case_to_bytes(c)); },
                        [](const py::bytes& b) { return case_from_bytes(b.cast<std::string>()); }));
}

}  // namespace diesel::python
