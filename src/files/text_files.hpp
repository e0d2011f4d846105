// Whole-file reading and writing of the small text files of a run folder or a
// job folder. Only regular files (or links to them) are read or replaced: a
// FIFO, a device or a folder in their place is refused at once, never waited on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace diesel {

// `name` in folder `dir` ("." and "" are the working folder).
std::string path_in(const std::string& dir, const std::string& name);

// The folder part of `path` ("." when there is none).
std::string parent_dir(const std::string& path);

// What a file of mode `mode` (st_mode) is, for messages: "a folder", "a FIFO
// (named pipe)", ...; nullptr for a regular file.
const char* non_regular_kind(unsigned mode);

// Writes all of `text` to the open descriptor `fd`; empty on success, else why not.
std::string write_all(int fd, const std::string& text);

// Text of a file, or false when it does not exist or cannot be read
// (`error` then says why; empty when the file is simply missing).
bool read_text_file(const std::string& path, std::string& text, std::string& error);

// Text of a file, or nullopt when it is missing or cannot be read.
std::optional<std::string> read_text_file(const std::string& path);

// Writes `text` to `path`, created or truncated (a regular file only);
// empty on success, else what went wrong, naming the path.
std::string write_text_file(const std::string& path, const std::string& text);

class RegisteredTemporary;

// A file replaced through a temporary file in the same folder and a rename,
// so the old file stays whole until the new one is complete; an interrupt
// removes the temporary. The temporary is made by prepare(), so a long job
// can find out before its work that its result cannot be written.
class PendingReplacement {
public:
    PendingReplacement();
    ~PendingReplacement();  // removes a temporary that was not committed
    PendingReplacement(const PendingReplacement&) = delete;
    PendingReplacement& operator=(const PendingReplacement&) = delete;

    // Creates the temporary beside `path`; false, with `error` naming the
    // path, when `path` is no regular file or its folder cannot be written.
    bool prepare(const std::string& path, std::string& error);

    // Writes `text` to the temporary, syncs it and renames it over the path;
    // a file that holds `text` already is left as it is (nothing to replace,
    // nothing to make durable), and the temporary removed. Empty on success,
    // else what went wrong (the old file is then unchanged).
    std::string commit(const std::string& text);

private:
    std::string path_, tmp_;
    int fd_ = -1;
    std::int64_t oldSize_ = -1;  // bytes of the file to be replaced when prepared; -1: none
    std::unique_ptr<RegisteredTemporary> registered_;
};

// prepare() and commit() at once. Returns an empty string on success, else
// what went wrong.
std::string replace_file_atomically(const std::string& path, const std::string& text);

// Name of the temporary that replace_file_atomically(path) uses in this process.
std::string temporary_name(const std::string& path);

// Removes leftovers of replace_file_atomically() for each of `names` in `dir`
// from earlier processes that were killed before they could do so, in one
// pass over the folder. Call only while holding the folder's lock: another
// run's temporary would be in use.
void remove_leftover_temporaries(const std::string& dir, const std::vector<std::string>& names);

}  // namespace diesel
