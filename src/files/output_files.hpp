// The output files of a run, opened all or none: every one is opened (or
// created) and checked to be a regular file before any is written, so an
// output that cannot be written leaves the earlier outputs of the folder as
// they were. Each text is written over the earlier one when the files are
// closed (a text beyond a megabyte streams out as it comes).
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace diesel {

struct OutputName {
    const char* name;  // file name in the folder
    int32_t unit;      // unit number for messages; 0 when the file has none
};

// The eight outputs of a run, in the order of their units.
inline constexpr OutputName kRunOutputs[] = {{"fort8.dat", 8},   {"fort9.dat", 9},   {"fort10.dat", 10},
                                             {"fort11.dat", 11}, {"fort12.dat", 12}, {"fort13.dat", 13},
                                             {"fort15.dat", 15}, {"fort16.dat", 16}};

class OutputFiles {
public:
    OutputFiles();
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Opens `names` in folder `dir` for writing, all or none. On failure
    // nothing was changed, files this call created are removed again, and
    // `error` names the file: "fort13.dat (unit 13): it is a folder, not a regular file".
    bool open(const std::string& dir, std::span<const OutputName> names, std::string& error);

    // The stream of the i-th name given to open().
    std::ostream& stream(std::size_t i);

    // Writes and closes every file, each cut to its new text; empty, or the
    // message of the first file that could not be written completely.
    std::string close();

    // Closes every file without writing to it, for a run refused once its
    // outputs were opened: each keeps the text of the earlier run, and a
    // file that open() created is removed again. Only before any stream has
    // outgrown the text held in memory.
    void abandon();

private:
    struct File;
    std::vector<std::unique_ptr<File>> files_;
};

// "fort13.dat (unit 13)" or "console.txt".
std::string output_label(const OutputName& n);

}  // namespace diesel
