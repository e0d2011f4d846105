// The item table: every item reaching the run state, and the documentation
// generated from it kept current.
#include "case/input_items.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "case/docs_tables.hpp"
#include "case/example_case.hpp"
#include "case/run_inputs.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// Changing any one item changes the run state that load_case fills: no item is dropped.
TEST(InputItems, EveryItemReachesTheRunState) {
    const Case example = example_case();
    RunState base{};
    load_case(example, base);
    for (const InputItem& it : input_items()) {
        if (it.id == Item::NCYL) continue;  // moves the receiver zones; covered by every multi-cylinder run
        Case c = example;
        if (it.type == ItemType::Integer) c.set_integer(it.id, c.integer(it.id) + (it.id == Item::MAXCYC ? 1 : -1));
        else c.set_real(it.id, std::nextafter(c.real(it.id), it.id == Item::DPHI ? 0.0f : 2.0f));
        RunState s{};
        load_case(c, s);
        EXPECT_NE(std::memcmp(&s, &base, sizeof s), 0) << it.name;
    }
}

TEST(InputItems, GeneratedDocumentationIsCurrent) {
    for (const char* doc : {"docs/input-files.md", "docs/case-files.md"}) {
        const std::string text = test_support::source_file(doc);
        std::string error;
        EXPECT_EQ(refresh_generated_blocks(text, error), text) << doc << " is out of date: run make docs";
        EXPECT_EQ(error, "") << doc;
        EXPECT_NE(text.find("<!-- generated: "), std::string::npos) << doc;
    }
}

}  // namespace
}  // namespace diesel
