// Shared helpers of the driver and set-up tests: the bundled example input
// sets, item-wise editing of their records, and a run state read from them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "case/run_inputs.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

#ifndef DIESEL_SOURCE_DIR
#error "DIESEL_SOURCE_DIR must name the source tree (the build defines it)"
#endif

namespace diesel::test_support {

// Whole text of a file of the source tree, e.g. "examples/c1_fixed/fort2.dat".
inline std::string source_file(const std::string& relative) {
    const std::string path = std::string(DIESEL_SOURCE_DIR) + "/" + relative;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("test_support: cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Input texts of a bundled example ("c1_fixed" or "c1_load"); no start table.
inline InputTexts example_texts(const std::string& name) {
    InputTexts texts;
    texts.fort3 = source_file("examples/" + name + "/fort3.dat");
    texts.fort2 = source_file("examples/" + name + "/fort2.dat");
    return texts;
}

// Input texts of any bundled example, with its start table when it has one.
inline InputTexts example_inputs(const std::string& name) {
    InputTexts texts = example_texts(name);
    const std::string table = "examples/" + name + "/fort14.dat";
    if (std::ifstream(std::string(DIESEL_SOURCE_DIR) + "/" + table)) texts.fort14 = source_file(table);
    return texts;
}

// `text` with the whitespace-separated item `item` of line `line` (both
// 1-based) replaced by `value`. Every record of the example files is one line,
// so line and record numbers agree. Throws when the item does not exist.
inline std::string with_item(const std::string& text, int line, int item, const std::string& value) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    if (line < 1 || static_cast<std::size_t>(line) > lines.size())
        throw std::out_of_range("with_item: no line " + std::to_string(line));
    std::string& l = lines[static_cast<std::size_t>(line - 1)];
    std::size_t pos = 0;
    for (int i = 1;; ++i) {
        pos = l.find_first_not_of(" \t", pos);
        if (pos == std::string::npos || l[pos] == '!')
            throw std::out_of_range("with_item: line " + std::to_string(line) + " has no item " + std::to_string(item));
        std::size_t end = l.find_first_of(" \t", pos);
        if (end == std::string::npos) end = l.size();
        if (i == item) {
            l.replace(pos, end - pos, value);
            break;
        }
        pos = end;
    }
    std::string out;
    for (const auto& each : lines) out += each + "\n";
    return out;
}

// One edit of an input set: file 3 or 2, line, item, new text.
struct Edit {
    int file;
    int line;
    int item;
    std::string value;
};

inline InputTexts edited(InputTexts texts, const std::vector<Edit>& edits) {
    for (const Edit& e : edits) {
        std::optional<std::string>& text = (e.file == 3) ? texts.fort3 : texts.fort2;
        text = with_item(*text, e.line, e.item, e.value);
    }
    return texts;
}

// Run state holding the input set of `texts` as read_inputs() leaves it
// (set-up not yet done). Fails the calling test when the input is refused.
inline std::unique_ptr<RunState> read_state(const InputTexts& texts) {
    auto s = std::make_unique<RunState>();
    try {
        read_inputs(*s, texts);
    } catch (const InputError& err) {
        ADD_FAILURE() << "input refused: " << err.what();
    }
    return s;
}

// Number of '\n'-terminated lines of a text.
inline std::size_t line_count(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += (c == '\n') ? 1 : 0;
    return n;
}

// The lines of `text`, each without its '\n'; a last line without one is left out.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        out.push_back(text.substr(start, nl - start));
    return out;
}

// The comma-separated fields of a CSV line (the program's CSVs quote nothing).
inline std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

}  // namespace diesel::test_support
