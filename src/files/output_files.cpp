#include "files/output_files.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "files/text_files.hpp"

namespace diesel {

namespace {

// A stream buffer for an output file whose descriptor it owns. The text is
// kept in memory and written over the file's old text when the stream is
// closed, the file then cut to the new length: rewriting the blocks a file
// holds costs the system far less than emptying it first and allocating its
// blocks again, and the earlier run's text stays whole until this run's is
// complete. A text that outgrows kHeldBlocks empties the file and streams on.
// The first failed write is kept (errno) and fails every later one.
class DescriptorBuffer : public std::streambuf {
public:
    // `oldSize`: the length of the file when it was opened [bytes].
    DescriptorBuffer(int fd, off_t oldSize) : fd_(fd), oldSize_(oldSize) { add_block(); }
    ~DescriptorBuffer() override { close(); }

    // Writes what is held and closes the descriptor; 0, or the errno of the
    // first failure.
    int close() {
        if (fd_ < 0) return error_;
        write_held();
        // Whatever was written, nothing of the old text may stay behind it.
        if (oldSize_ > written_ && ::ftruncate(fd_, written_) != 0 && error_ == 0) error_ = errno;
        if (::close(fd_) != 0 && error_ == 0) error_ = errno;
        fd_ = -1;
        return error_;
    }

    // Closes the descriptor without writing what is held: the file keeps its text.
    void drop() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

protected:
    int_type overflow(int_type c) override {
        if (!streaming_ && blocks_.size() < kHeldBlocks) {
            add_block();
        } else {
            if (!streaming_) {
                streaming_ = true;
                if (oldSize_ > 0 && ::ftruncate(fd_, 0) != 0 && error_ == 0) error_ = errno;
                oldSize_ = 0;
            }
            if (!write_held()) return traits_type::eof();
        }
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    // A flush leaves a held text in memory: it is written whole by close().
    int sync() override { return error_ == 0 && (!streaming_ || write_held()) ? 0 : -1; }

private:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;
    static constexpr std::size_t kHeldBlocks = 16;  // a megabyte

    // A new block to write into; its bytes are not cleared, only written.
    void add_block() {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
        setp(blocks_.back().get(), blocks_.back().get() + kBlockBytes);
    }

    // Writes every block held, the last one as far as it is filled, with as
    // few calls as the system takes; then writes go to the first block again.
    bool write_held() {
        std::vector<iovec> parts;
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const std::size_t n = i + 1 < blocks_.size() ? kBlockBytes : static_cast<std::size_t>(pptr() - pbase());
            if (n > 0) parts.push_back({blocks_[i].get(), n});
        }
        for (std::size_t first = 0; first < parts.size() && error_ == 0;) {
            const int count = static_cast<int>(std::min<std::size_t>(parts.size() - first, IOV_MAX));
            ssize_t w = ::writev(fd_, &parts[first], count);
            if (w < 0) {
                if (errno != EINTR) error_ = errno;
                continue;
            }
            written_ += w;
            // Past the parts written whole, into the one written in part.
            for (; first < parts.size() && static_cast<std::size_t>(w) >= parts[first].iov_len; ++first)
                w -= static_cast<ssize_t>(parts[first].iov_len);
            if (first < parts.size()) {
                parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + w;
                parts[first].iov_len -= static_cast<std::size_t>(w);
            }
        }
        blocks_.resize(1);
        setp(blocks_[0].get(), blocks_[0].get() + kBlockBytes);
        return error_ == 0;
    }

    int fd_;
    off_t oldSize_;      // bytes of the earlier text not yet written over
    off_t written_ = 0;  // bytes written to the file
    bool streaming_ = false;
    int error_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
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
    off_t size = 0;        // bytes of an earlier run's text in it
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
    // Every file is opened and checked before any is written.
    for (const OutputName& n : names) {
        auto f = std::make_unique<File>();
        f->name = n;
        f->path = path_in(dir, n.name);
        f->fd = open_untruncated(f->path, f->created);
        if (f->fd < 0) {
            error = output_label(n) + ": " + open_failure(f->path, errno);
            return undo();
        }
        files_.push_back(std::move(f));
        if (files_.back()->created) continue;  // a new regular file, empty
        struct stat st {};
        const bool statted = ::fstat(files_.back()->fd, &st) == 0;
        const int statErr = errno;
        if (!statted) {
            error = output_label(n) + ": " + std::strerror(statErr);
            return undo();
        }
        if (const char* kind = non_regular_kind(st.st_mode)) {
            error = output_label(n) + ": it is " + kind + ", not a regular file";
            return undo();
        }
        files_.back()->size = st.st_size;
    }
    for (auto& f : files_) {
        // The stream owns the descriptor from here on.
        f->buf = std::make_unique<DescriptorBuffer>(f->fd, f->size);
        f->fd = -1;
        f->stream.rdbuf(f->buf.get());
    }
    return true;
}

void OutputFiles::abandon() {
    for (auto& f : files_) {
        if (f->buf) f->buf->drop();
        else ::close(f->fd);
        if (f->created) ::unlink(f->path.c_str());
    }
    files_.clear();
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
