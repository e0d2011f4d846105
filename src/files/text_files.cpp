#include "files/text_files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/process_cleanup.hpp"

namespace diesel {

namespace {

// Input and job files are a few kilobytes; anything beyond this is not one.
constexpr off_t kMaxTextBytes = off_t{64} << 20;

constexpr const char* kTemporaryMark = ".tmp.";

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string path_in(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir == ".") return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string parent_dir(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

const char* non_regular_kind(unsigned mode) {
    switch (mode & S_IFMT) {
        case S_IFREG: return nullptr;
        case S_IFDIR: return "a folder";
        case S_IFIFO: return "a FIFO (named pipe)";
        case S_IFCHR: return "a character device";
        case S_IFBLK: return "a block device";
        case S_IFSOCK: return "a socket";
        default: return "not a regular file";
    }
}

std::string write_all(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    return {};
}

bool read_text_file(const std::string& path, std::string& text, std::string& error) {
    error.clear();
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno != ENOENT) error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (const char* kind = non_regular_kind(st.st_mode)) {
        error = std::string("it is ") + kind + ", not a regular file";
        return false;
    }
    if (st.st_size > kMaxTextBytes) {
        error = "larger than 64 MiB, which no input file is";
        return false;
    }
    text.clear();
    text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            return false;
        }
        if (n == 0) return true;
        // A file that grows while it is read must not fill the memory.
        if (static_cast<off_t>(text.size()) + n > kMaxTextBytes) {
            error = "larger than 64 MiB, which no input file is";
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> read_text_file(const std::string& path) {
    std::string text, error;
    if (!read_text_file(path, text, error)) return std::nullopt;
    return text;
}

std::string temporary_name(const std::string& path) {
    return path + kTemporaryMark + std::to_string(static_cast<long>(::getpid()));
}

std::string write_text_file(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return "cannot create " + path + ": " + std::strerror(errno);
    const Descriptor owned(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return "cannot write " + path + ": " + std::strerror(errno);
    if (const char* kind = non_regular_kind(st.st_mode)) return "cannot write " + path + ": it is " + kind;
    if (::ftruncate(fd, 0) != 0) return "cannot write " + path + ": " + std::strerror(errno);
    if (const std::string why = write_all(fd, text); !why.empty()) return "cannot write " + path + ": " + why;
    return {};
}

PendingReplacement::PendingReplacement() = default;

PendingReplacement::~PendingReplacement() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(tmp_.c_str());
}

bool PendingReplacement::prepare(const std::string& path, std::string& error) {
    // Replacing a folder, FIFO or device by a regular file would surprise whoever put it there.
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists) {
        if (const char* kind = non_regular_kind(old.st_mode)) {
            error = "cannot replace " + path + ": it is " + kind + ", not a regular file";
            return false;
        }
    }
    path_ = path;
    tmp_ = temporary_name(path);
    registered_ = std::make_unique<RegisteredTemporary>(tmp_);
    // A leftover of a killed run with the same process id goes first; O_EXCL
    // then makes sure the text lands in a new file, not through a link.
    ::unlink(tmp_.c_str());
    fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = "cannot write " + path + ": cannot create its temporary " + tmp_ + ": " + std::strerror(errno);
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists) ::fchmod(fd_, old.st_mode & 07777);
    oldSize_ = exists ? static_cast<std::int64_t>(old.st_size) : -1;
    return true;
}

std::string PendingReplacement::commit(const std::string& text) {
    if (fd_ < 0) return "cannot write " + path_ + ": nothing was prepared";
    const int fd = fd_;
    fd_ = -1;
    // A rerun of an unchanged case: the file is left as it is.
    if (oldSize_ == static_cast<std::int64_t>(text.size())) {
        std::string old, error;
        if (read_text_file(path_, old, error) && old == text) {
            ::close(fd);
            ::unlink(tmp_.c_str());
            return {};
        }
    }
    std::string why = write_all(fd, text);
    if (why.empty() && ::fsync(fd) != 0) why = std::strerror(errno);
    if (::close(fd) != 0 && why.empty()) why = std::strerror(errno);
    if (!why.empty()) {
        ::unlink(tmp_.c_str());
        return "cannot write " + tmp_ + ": " + why;
    }
    if (std::rename(tmp_.c_str(), path_.c_str()) != 0) {
        why = std::strerror(errno);
        ::unlink(tmp_.c_str());
        return "cannot replace " + path_ + ": " + why;
    }
    // Make the rename itself durable; the file is whole either way.
    const int dirFd = ::open(parent_dir(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

std::string replace_file_atomically(const std::string& path, const std::string& text) {
    PendingReplacement file;
    std::string error;
    if (!file.prepare(path, error)) return error;
    return file.commit(text);
}

void remove_leftover_temporaries(const std::string& dir, const std::vector<std::string>& names) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return;
    while (const dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        for (const std::string& name : names) {
            // name, the mark, then the digits of a process id
            if (std::strncmp(n, name.c_str(), name.size()) != 0) continue;
            const char* mark = n + name.size();
            if (std::strncmp(mark, kTemporaryMark, std::strlen(kTemporaryMark)) != 0) continue;
            const char* digits = mark + std::strlen(kTemporaryMark);
            if (*digits == '\0' || std::strspn(digits, "0123456789") != std::strlen(digits)) continue;
            ::unlinkat(::dirfd(d), n, 0);
            break;
        }
    }
    ::closedir(d);
}

}  // namespace diesel
