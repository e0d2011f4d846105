#include "files/output_files.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

#include "files/text_files.hpp"

namespace diesel {

namespace {

// A stream buffer writing to a descriptor it owns; the first failed write
// is kept (errno) and fails every later one.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd), buffer_(kBytes) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
    ~DescriptorBuffer() override { close(); }

    // Writes what is buffered and closes the descriptor; 0, or the errno of
    // the first failure.
    int close() {
        if (fd_ < 0) return error_;
        drain();
        if (::close(fd_) != 0 && error_ == 0) error_ = errno;
        fd_ = -1;
        return error_;
    }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    static constexpr std::size_t kBytes = std::size_t{1} << 16;

    bool drain() {
        const char* p = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        while (left > 0 && error_ == 0) {
            const ssize_t w = ::write(fd_, p, left);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) error_ = errno;
            else p += w, left -= static_cast<std::size_t>(w);
        }
        return error_ == 0;
    }

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// Opens an existing file for writing without truncating it, or creates it.
// O_NONBLOCK: a FIFO without a reader fails at once instead of waiting.
int open_untruncated(const std::string& path, bool& created) {
    created = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 || errno != ENOENT) return fd;
    created = true;
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
}

// Why `path` could not be opened: its kind when it is no regular file (a
// FIFO without a reader, a folder), else the system's reason.
std::string open_failure(const std::string& path, int err) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (const char* kind = non_regular_kind(st.st_mode)) return std::string("it is ") + kind + ", not a regular file";
    }
    return std::string("cannot be opened for writing: ") + std::strerror(err);
}

}  // namespace

struct OutputFiles::File {
    OutputName name{};
    std::string path;
    int fd = -1;           // until the stream's buffer owns it
    bool created = false;  // open() made the file
    bool truncate = false; // it holds an earlier run's text
    std::unique_ptr<DescriptorBuffer> buf;
    std::ostream stream{nullptr};
};

std::string output_label(const OutputName& n) {
    return n.unit > 0 ? std::string(n.name) + " (unit " + std::to_string(n.unit) + ")" : std::string(n.name);
}

OutputFiles::OutputFiles() = default;

OutputFiles::~OutputFiles() { close(); }

bool OutputFiles::open(const std::string& dir, std::span<const OutputName> names, std::string& error) {
    close();
    const auto undo = [this]() {
        for (auto& f : files_) {
            ::close(f->fd);
            if (f->created) ::unlink(f->path.c_str());
        }
        files_.clear();
        return false;
    };
    // Every file is opened and checked before any is truncated.
    for (const OutputName& n : names) {
        auto f = std::make_unique<File>();
        f->name = n;
        f->path = path_in(dir, n.name);
        f->fd = open_untruncated(f->path, f->created);
        if (f->fd < 0) {
            error = output_label(n) + ": " + open_failure(f->path, errno);
            return undo();
        }
        struct stat st {};
        const bool statted = ::fstat(f->fd, &st) == 0;
        const int statErr = errno;
        files_.push_back(std::move(f));
        if (!statted) {
            error = output_label(n) + ": " + std::strerror(statErr);
            return undo();
        }
        if (const char* kind = non_regular_kind(st.st_mode)) {
            error = output_label(n) + ": it is " + kind + ", not a regular file";
            return undo();
        }
        files_.back()->truncate = st.st_size > 0;
    }
    for (auto& f : files_) {
        if (f->truncate && ::ftruncate(f->fd, 0) != 0) {
            error = output_label(f->name) + ": cannot be emptied for writing: " + std::strerror(errno);
            return undo();
        }
        // The stream owns the descriptor from here on.
        f->buf = std::make_unique<DescriptorBuffer>(f->fd);
        f->fd = -1;
        f->stream.rdbuf(f->buf.get());
    }
    return true;
}

std::ostream& OutputFiles::stream(std::size_t i) { return files_.at(i)->stream; }

std::string OutputFiles::close() {
    std::string error;
    for (auto& f : files_) {
        if (!f->buf) {
            ::close(f->fd);
            continue;
        }
        f->stream.flush();
        if (const int err = f->buf->close(); err != 0 && error.empty()) {
            error = output_label(f->name) + ": could not be written completely: " + std::strerror(err);
        }
    }
    files_.clear();
    return error;
}

}  // namespace diesel
