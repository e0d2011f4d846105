// diesel_cycle.Case: the library's Case, read from folders and case.toml
// texts, changed item by item with Python values, written back and pickled.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "case/case.hpp"
#include "case/case_edits.hpp"

namespace diesel::python {

namespace py = pybind11;

// A Python value for an item: text (str) and whole numbers (int, numpy
// integers) as their digits, read the fort way, so that each is rounded once;
// other numbers (float, numpy.float32...) as a double. bool and other types
// raise TypeError naming `what`.
ItemValue item_value(const py::handle& value, const std::string& what);

// case[name] as Python gives it: int for an INTEGER item, numpy.float32 for a REAL one.
py::object item_object(const Case& c, Item item);

// set={...} of a map: name -> value, in the dict's order.
std::vector<ItemSetting> settings_of(const py::dict& set);

// Binds Case into `m`.
void bind_case(py::module_& m);

}  // namespace diesel::python
