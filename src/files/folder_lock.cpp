#include "files/folder_lock.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/text_files.hpp"

namespace diesel {

namespace {

// Errors of flock() that mean the file system offers no locks (some network
// and cluster file systems), as opposed to a lock that is taken.
bool locking_unsupported(int err) { return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL; }

int flock_retrying(int fd, int op) {
    int rc;
    do {
        rc = ::flock(fd, op);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// "process 4711 on node17", from what the holder wrote into the lock file.
std::string holder_of(int fd) {
    char buf[160];
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    std::string pid, host;
    if (n > 0) {
        buf[n] = '\0';
        const char* p = buf;
        while (*p >= '0' && *p <= '9') pid += *p++;
        if (*p == ' ') {
            ++p;
            while (*p > ' ' && *p < 0x7f) host += *p++;
        }
    }
    if (pid.empty()) return "another process";
    return "process " + pid + (host.empty() ? "" : " on " + host);
}

}  // namespace

FolderLock::~FolderLock() {
    if (fd_ < 0) return;
    // The holder's name goes before the lock does; a later reader finds no stale process id.
    [[maybe_unused]] const int cleared = ::ftruncate(fd_, 0);
    ::close(fd_);
}

FolderLock::Result FolderLock::acquire(const std::string& dir, std::string& detail) {
    const std::string path = path_in(dir, kLockFileName);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        detail = std::string("cannot create ") + kLockFileName + ": " + std::strerror(errno);
        return Result::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || non_regular_kind(st.st_mode) != nullptr) {
        ::close(fd);
        detail = std::string(kLockFileName) + " is not a regular file";
        return Result::Failed;
    }
    if (flock_retrying(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            detail = holder_of(fd);
            ::close(fd);
            return Result::HeldByOther;
        }
        ::close(fd);
        detail = std::strerror(err);
        return locking_unsupported(err) ? Result::Unsupported : Result::Failed;
    }
    char host[128] = "";
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    const std::string who = std::to_string(static_cast<long>(::getpid())) + (host[0] ? std::string(" ") + host : "") + "\n";
    // Only a note for whoever is refused; the lock holds without it.
    [[maybe_unused]] const bool noted = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, who.data(), who.size(), 0) >= 0;
    fd_ = fd;
    return Result::Locked;
}

bool FolderLock::is_held(const std::string& dir, std::string& holder) {
    const int fd = ::open(path_in(dir, kLockFileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool held = false;
    if (::fstat(fd, &st) == 0 && non_regular_kind(st.st_mode) == nullptr &&
        flock_retrying(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        held = true;
        holder = holder_of(fd);
    }
    ::close(fd);
    return held;
}

std::string lock_refusal(FolderLock::Result result, const std::string& dir, const std::string& detail,
                         std::string& warning) {
    const std::string where = dir.empty() || dir == "." ? std::string("the working folder") : dir;
    switch (result) {
        case FolderLock::Result::Locked: return {};
        case FolderLock::Result::Unsupported:
            warning = "the file system of " + where + " cannot lock files (" + detail +
                      "); going on without the guard against a second run in the same folder";
            return {};
        case FolderLock::Result::HeldByOther:
            return "another run (" + detail + ") is using " + where + "; wait for it to end, or run in another folder";
        case FolderLock::Result::Failed: break;
    }
    return where + ": " + detail;
}

}  // namespace diesel
