// Free-format (list-directed) reading of the plain-text input files.
//
// One read takes one record: it starts at the beginning of the next unread
// line and takes values, separated by blanks, tabs, a comma or the end of a
// line, over as many lines as it needs (blank lines are skipped). Whatever
// follows the last value of a record on its line is skipped, which is how the
// comments after the values in the input files are ignored.
//
// The reader only splits the text into items; parse_integer and parse_real
// convert an item. Nothing here allocates per item or reads outside the text,
// whatever bytes it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace diesel {

class FreeFormatReader {
public:
    // A UTF-8 byte-order mark at the start of the text is skipped.
    explicit FreeFormatReader(std::string_view text);

    // Starts the next record on the line after the last line of the previous
    // record (the first record starts on the first line).
    void start_record();

    // The next item of the current record. An empty view is a null value (two
    // commas in a row, or a comma opening the record). std::nullopt: the text
    // ends before another item.
    std::optional<std::string_view> next_item();

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    bool inRecord_ = false;   // a record was started, so pos_ lies on its last line
    bool afterItem_ = false;  // pos_ is just behind an item (a comma there separates)
};

enum class NumberStatus {
    Ok,
    Malformed,   // not of the form the type requires
    OutOfRange,  // integer outside int32, or real too large for a float
};

// An optionally signed integer without decimal point or exponent, within int32.
NumberStatus parse_integer(std::string_view item, int32_t& value);

// An optionally signed integer, fixed-point or exponent form (E, e, D or d
// marker), rounded once, correctly, to float. Values too small for a float
// become the nearest subnormal or zero; too large ones are OutOfRange.
// "inf", "nan" and hexadecimal forms are Malformed. `value` is set only on Ok.
NumberStatus parse_real(std::string_view item, float& value);

// True when the text's lines end in a carriage return alone (no line feed
// anywhere, and a CR with more text after it): the reader sees such a file as
// one long line.
bool has_cr_only_line_ends(std::string_view text);

// The item in double quotes for a message: at most 40 bytes of it, every byte
// that is not printable ASCII (and the quote and backslash) written as \xNN,
// followed by "... (N characters)" when it was cut.
std::string quote_item(std::string_view item);

}  // namespace diesel
