#include "case/fort_files.hpp"

#include <bit>
#include <string_view>
#include <vector>

#include "case/case_checks.hpp"
#include "case/input_error.hpp"
#include "input/free_format.hpp"

namespace diesel {

namespace {

// One input file read record by record; every failure names the file, its
// unit, the record and the item.
class FortReader {
public:
    FortReader(std::string name, int32_t unit, const std::optional<std::string>& text)
        : name_(std::move(name)), unit_(unit), text_(text), reader_(text ? std::string_view(*text) : std::string_view{}) {}

    // Starts the next record, or fails when the file is missing.
    void start_record(const char* missingWhy = nullptr) {
        if (!text_) {
            std::string message = prefix() + ": file is missing";
            if (missingWhy != nullptr) message += std::string("; ") + missingWhy;
            throw InputError(message);
        }
        reader_.start_record();
    }

    // The text of the next item of the current record.
    std::string_view next(const char* kind, int32_t number, const std::string& note, int32_t item,
                          const char* itemName, ItemType type) {
        const std::optional<std::string_view> text = reader_.next_item();
        if (!text) fail(kind, number, note, item, itemName, std::string("file ends before the ") + kind + " is complete");
        if (text->empty())
            fail(kind, number, note, item, itemName,
                 std::string("an empty value is not ") + (type == ItemType::Integer ? "an integer" : "a real number"));
        return *text;
    }

    [[noreturn]] void fail(const char* kind, int32_t number, const std::string& note, int32_t item,
                           const char* itemName, const std::string& why) const {
        std::string message = prefix() + ", " + kind + " " + std::to_string(number);
        if (!note.empty()) message += " (" + note + ")";
        message += ", item " + std::to_string(item) + " (" + itemName + "): " + why;
        if (text_ && has_cr_only_line_ends(*text_))
            message += "; the file's lines end in a carriage return alone (CR, as on old Macs), which is no line end "
                       "here, so the file reads as one line: convert it to LF or CRLF line ends";
        throw InputError(message);
    }

private:
    std::string prefix() const { return name_ + " (unit " + std::to_string(unit_) + ")"; }

    std::string name_;
    int32_t unit_;
    const std::optional<std::string>& text_;
    FreeFormatReader reader_;
};

const char* const kZoneNotes[] = {"start state of cylinder 1", "start state of the intake receiver",
                                  "start state of the exhaust receiver"};

void read_record(FortReader& file, Case& c, int32_t fortFile, int32_t record) {
    const std::string note = record >= 8 ? kZoneNotes[record - 8] : "";
    file.start_record();
    for (const Item item : record_items(fortFile, record)) {
        const InputItem& it = item_info(item);
        const std::string_view text = file.next("record", record, note, it.position, it.name, it.type);
        const std::string error = c.set_text(item, text, {ValueSource::Kind::FortFile, 0, {}});
        if (!error.empty()) file.fail("record", record, note, it.position, it.name, error);
    }
}

// The text a value is written with: as it was written when that reads back
// to the same value in the fort files, else its shortest exact text.
std::string fort_value(const Case& c, Item item) {
    const std::string& written = c.source(item).text;
    if (item_info(item).type == ItemType::Integer) {
        int32_t v = 0;
        if (!written.empty() && parse_integer(written, v) == NumberStatus::Ok && v == c.integer(item)) return written;
        return std::to_string(c.integer(item));
    }
    float v = 0.0f;
    if (!written.empty() && parse_real(written, v) == NumberStatus::Ok &&
        std::bit_cast<uint32_t>(v) == std::bit_cast<uint32_t>(c.real(item)))
        return written;
    return shortest_text(c.real(item));
}

// "SPEED[rpm]", "MODE": an item as the comment of its line names it.
std::string comment_name(const InputItem& it) {
    std::string unit;
    for (const char* p = it.unit; *p != '\0'; ++p)
        if (*p != ' ') unit += *p;
    return unit == "-" ? std::string(it.name) : std::string(it.name) + "[" + unit + "]";
}

std::string record_line(const Case& c, int32_t fortFile, int32_t record) {
    std::string values, names;
    for (const Item item : record_items(fortFile, record)) {
        values += (values.empty() ? "" : "  ") + fort_value(c, item);
        names += (names.empty() ? "" : " ") + comment_name(item_info(item));
    }
    // Comments start in one column while the values leave room for it.
    if (values.size() < 72) values.resize(72, ' ');
    const std::string zone = record == 8   ? "cylinder 1 at ANGST: "
                             : record == 9  ? "intake receiver: "
                             : record == 10 ? "exhaust receiver: "
                                            : "";
    return values + " ! " + zone + names + "\n";
}

}  // namespace

Case read_fort_files(const std::optional<std::string>& fort3, const std::optional<std::string>& fort2) {
    Case c;
    FortReader f3("fort3.dat", 3, fort3);
    read_record(f3, c, 3, 1);
    FortReader f2("fort2.dat", 2, fort2);
    for (int32_t record = 1; record <= 10; ++record) read_record(f2, c, 2, record);
    return c;
}

void read_start_table(Case& c, const std::optional<std::string>& text, const std::string& fileName) {
    StartTable& t = c.start;
    t.file = fileName;
    t.inlineRows = false;
    t.rows.clear();
    t.sources.clear();
    const int32_t needed = c.start_rows_needed();
    FortReader file(fileName, 14, text);
    const std::string missing = "it holds the start states of cylinders 2 to " + std::to_string(needed + 1);
    const char* const columns[] = {"mass", "temperature", "equivalence ratio"};
    for (int32_t row = 1; row <= needed; ++row) {
        const std::string note = "start state of cylinder " + std::to_string(row + 1);
        file.start_record(missing.c_str());
        StartRow values{};
        float* targets[] = {&values.mass, &values.temperature, &values.eqr};
        std::array<ValueSource, 3> sources;
        for (int32_t col = 0; col < 3; ++col) {
            const std::string_view item = file.next("row", row, note, col + 1, columns[col], ItemType::Real);
            switch (parse_real(item, *targets[col])) {
                case NumberStatus::Ok: break;
                case NumberStatus::Malformed:
                    file.fail("row", row, note, col + 1, columns[col], quote_item(item) + " is not a real number");
                case NumberStatus::OutOfRange:
                    file.fail("row", row, note, col + 1, columns[col],
                              quote_item(item) + " is too large for a 32-bit real number");
            }
            sources[static_cast<std::size_t>(col)] = {ValueSource::Kind::FortFile, row, std::string(item)};
        }
        t.rows.push_back(values);
        t.sources.push_back(sources);
    }
    t.loaded = true;
}

int32_t fort3_cylinder_count(const std::optional<std::string>& fort3) {
    Case c;
    FortReader f3("fort3.dat", 3, fort3);
    try {
        read_record(f3, c, 3, 1);
    } catch (const InputError&) {
        return 0;
    }
    return c.integer(Item::NCYL);
}

Case read_fort_case(const InputTexts& texts) {
    Case c = read_fort_files(texts.fort3, texts.fort2);
    // NCYL bounds the rows read and indexes the zone arrays from here on.
    if (const auto error = item_error(c, Item::NCYL)) throw InputError(*error);
    read_start_table(c, texts.fort14, "fort14.dat");
    return c;
}

std::string fort3_text(const Case& c) { return record_line(c, 3, 1); }

std::string fort2_text(const Case& c) {
    std::string text;
    for (int32_t record = 1; record <= 10; ++record) text += record_line(c, 2, record);
    return text;
}

std::string start_rows_text(const Case& c) {
    std::string text;
    for (std::size_t r = 0; r < c.start.rows.size(); ++r) {
        const StartRow& row = c.start.rows[r];
        const float values[] = {row.mass, row.temperature, row.eqr};
        for (std::size_t col = 0; col < 3; ++col) {
            float v = 0.0f;
            const std::string& written = r < c.start.sources.size() ? c.start.sources[r][col].text : std::string();
            const bool keep = !written.empty() && parse_real(written, v) == NumberStatus::Ok &&
                              std::bit_cast<uint32_t>(v) == std::bit_cast<uint32_t>(values[col]);
            text += "  " + (keep ? written : shortest_text(values[col]));
        }
        text += '\n';
    }
    return text;
}

}  // namespace diesel
