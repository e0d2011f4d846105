// One run per folder: an advisory lock (flock) on the file .diesel-cycle.lock
// in the folder, which holds the process id and host of the holder. The
// kernel drops the lock when the holder ends, however it ends, so a lock is
// never left stale by a killed run; the file itself stays.
#pragma once

#include <string>

namespace diesel {

inline constexpr const char* kLockFileName = ".diesel-cycle.lock";

class FolderLock {
public:
    enum class Result {
        Locked,        // this process holds the folder
        HeldByOther,   // another process does; `detail` names it ("process 4711 on node17")
        Unsupported,   // the file system cannot lock; `detail` says why, the caller warns and goes on
        Failed,        // the lock file cannot be made; `detail` says why
    };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock of folder `dir` without waiting.
    Result acquire(const std::string& dir, std::string& detail);

    // Whether a process holds the lock of folder `dir` right now (without taking it);
    // `holder` then names it.
    static bool is_held(const std::string& dir, std::string& holder);

private:
    int fd_ = -1;
};

// The message of a lock that could not be taken, for "diesel-cycle: <what>: ...":
// empty when the caller may go on (Locked, or Unsupported: then `warning` is set).
std::string lock_refusal(FolderLock::Result result, const std::string& dir, const std::string& detail,
                         std::string& warning);

}  // namespace diesel
