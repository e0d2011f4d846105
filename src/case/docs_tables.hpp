// The documentation's tables of input items, generated from the item table so
// that they cannot drift from what the program reads and checks.
//
// A Markdown file marks each generated block:
//   <!-- generated: fort2-record-3 -->
//   ...
//   <!-- end generated -->
// tools/update_docs.cpp (make docs) renews the blocks in place; a test fails
// when a committed block differs from what the table gives.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace diesel {

// The block called `name`, or nullopt for a name that is not generated:
//   fort3-record-1, fort2-record-1 .. fort2-record-7, fort2-start-states
//                   the items of one fort record, with their case.toml keys
//   input-checks    the values refused as input errors, with reasons
//   input-warnings  the values that give a warning, with reasons
//   case-keys       every case.toml key by table, with unit, typical values and range
std::optional<std::string> generated_block(std::string_view name);

// `markdown` with every generated block renewed. On an unknown block name or a
// block without its end mark, `error` says which and the text is returned as it was.
std::string refresh_generated_blocks(std::string_view markdown, std::string& error);

}  // namespace diesel
