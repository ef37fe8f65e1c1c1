#include "util/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace otdr {

const char* const kNotRegularFileReason = "不是普通文件";

namespace {

const char* const kCannotOpen = "无法打开文件";
const char* const kCannotRead = "无法读取文件";
const char* const kCannotSave = "无法保存文件";

// Pieces are collected up to this size before they are written.
constexpr std::size_t kBufferSize = 64 * 1024;

Error fileError(const char* what, const std::string& path, const std::string& reason) {
    return Error{ErrorKind::Io, std::string(what) + "“" + path + "”：" + reason};
}

Error ioError(const char* what, const std::string& path, int err) {
    return fileError(what, path, fileErrorReason(err));
}

// Closes a descriptor when it goes out of scope.
class FdGuard {
  public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    // Closes now and reports whether the close succeeded (a delayed write error shows here).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Writing past the file-size limit raises SIGXFSZ, whose default action ends the program and
// leaves the temporary file behind. Ignored, the write fails with EFBIG like any other write
// error. A handler the host program installed is left alone.
void ignoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a save under this name writes: symbolic links are followed to their final target,
// which need not exist yet (a link made for a file still to be written). 0, or the errno value
// of the failure.
int finalTarget(const std::string& path, std::string& target) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return errno;
            target = p;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = p;
            return 0;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) >= sizeof buf) return ENAMETOOLONG;
        const std::string link(buf, static_cast<std::size_t>(n));
        if (link.empty()) return ENOENT;
        p = link.front() == '/' ? link : folderOf(p) + "/" + link;
    }
    return ELOOP;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

std::string fileErrorReason(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return "没有权限";
        case EROFS:
            return "文件系统为只读";
        case ENOSPC:
            return "磁盘已满";
        case ENOENT:
        case ENOTDIR:
            return "文件或文件夹不存在";
        case EISDIR:
            return "这是一个文件夹";
        case ENAMETOOLONG:
            return "文件名太长";
        case EFBIG:
            return "文件太大";
        default:
            return std::strerror(err);
    }
}

Result<Bytes> readWholeFile(const std::string& path, std::size_t maxBytes) {
    Bytes data;
    auto r = readWholeFile(path, data, maxBytes);
    if (!r) return r.error();
    data.resize(r.value().size());
    return data;
}

Result<ByteView> readWholeFile(const std::string& path, Bytes& buffer, std::size_t maxBytes) {
    // Only regular files are opened: opening a FIFO for reading waits for a writer, and reading
    // a device may never end. O_NONBLOCK keeps the open from waiting should the name be swapped
    // for a FIFO between the check and the open; the second check then refuses it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ioError(kCannotOpen, path, errno);
    if (S_ISDIR(st.st_mode)) return ioError(kCannotOpen, path, EISDIR);
    if (!S_ISREG(st.st_mode)) return fileError(kCannotOpen, path, kNotRegularFileReason);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return ioError(kCannotOpen, path, errno);
    FdGuard guard(fd);
    if (::fstat(fd, &st) != 0) return ioError(kCannotRead, path, errno);
    if (S_ISDIR(st.st_mode)) return ioError(kCannotRead, path, EISDIR);
    if (!S_ISREG(st.st_mode)) return fileError(kCannotRead, path, kNotRegularFileReason);
    if (st.st_size < 0 || static_cast<std::size_t>(st.st_size) > maxBytes)
        return ioError(kCannotRead, path, EFBIG);

    // Straight into the buffer, with room for a byte more than the size found, so that the end
    // usually shows in the same call; a file that grew since is read on to its end. The buffer
    // only grows: what a larger file before left in it is overwritten, never cleared.
    const auto size = static_cast<std::size_t>(st.st_size);
    if (buffer.size() <= size) buffer.resize(size + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == buffer.size()) {
            if (got > maxBytes) return ioError(kCannotRead, path, EFBIG);
            buffer.resize(std::min(2 * got, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ioError(kCannotRead, path, errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > maxBytes) return ioError(kCannotRead, path, EFBIG);
    return ByteView(buffer.data(), got);
}

Result<void> writeFileAtomically(const std::string& path, ByteView bytes) {
    OutputFile out;
    if (auto r = out.open(path); !r) return r;
    if (auto r = out.write(bytes); !r) return r;
    return out.commit();
}

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    forgetTempFile(slot_);
}

Result<void> OutputFile::fail(int err) {
    reason_ = fileErrorReason(err);
    error_ = fileError(kCannotSave, path_, reason_);
    discard();
    return *error_;
}

Result<void> OutputFile::open(const std::string& path) {
    discard();
    path_ = path;
    error_.reset();
    reason_.clear();
    buffer_.clear();
    ignoreFileSizeSignal();
    if (const int err = finalTarget(path, target_); err != 0) return fail(err);

    struct stat old {};
    exists_ = ::stat(target_.c_str(), &old) == 0;
    if (!exists_ && errno != ENOENT) return fail(errno);
    if (exists_) {
        if (S_ISDIR(old.st_mode)) return fail(EISDIR);
        if (!S_ISREG(old.st_mode)) {
            reason_ = kNotRegularFileReason;
            error_ = fileError(kCannotSave, path_, reason_);
            return *error_;
        }
        // Saving writes this very file. Where it may not be opened for writing it is not
        // replaced either, whatever the folder would allow. Opening without O_TRUNC and
        // closing again leaves it as it is.
        const int probe = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (probe < 0) return fail(errno);
        ::close(probe);
        oldUid_ = old.st_uid;
        oldGid_ = old.st_gid;
        oldMode_ = old.st_mode & 07777;
    }

    // A short name, so that a target name of the longest length still leaves room for it.
    const std::string folder = folderOf(target_);
    removeStaleTempFiles(folder, kTempFilePrefix);
    std::string tmp = folder + "/" + std::string(kTempFilePrefix) + "XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return fail(errno);
    fd_ = fd;
    temp_ = tmp;
    slot_ = rememberTempFile(temp_);
    // Held until the file is closed: a later run sees that it is being written.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    buffer_.reserve(kBufferSize);
    return {};
}

Result<void> OutputFile::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return {};
}

Result<void> OutputFile::write(std::string_view text) {
    if (error_) return *error_;
    if (fd_ < 0) return fail(EBADF);
    while (!text.empty()) {
        const std::size_t room = kBufferSize - buffer_.size();
        const std::size_t n = std::min(room, text.size());
        buffer_.append(text.substr(0, n));
        text.remove_prefix(n);
        if (buffer_.size() == kBufferSize)
            if (auto r = flushBuffer(); !r) return r;
    }
    return {};
}

Result<void> OutputFile::write(ByteView bytes) {
    return write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Result<void> OutputFile::commit() {
    if (error_) return *error_;
    if (fd_ < 0) return fail(EBADF);
    if (auto r = flushBuffer(); !r) return r;
    if (exists_) {
        // The new file keeps the old one's owner where the system allows it (an ordinary user
        // cannot give a file away; it then becomes theirs) and its permissions.
        if ((oldUid_ != ::geteuid() || oldGid_ != ::getegid()) &&
            ::fchown(fd_, oldUid_, oldGid_) != 0) {
            // Keeping the owner is a courtesy; the save goes on.
        }
        ::fchmod(fd_, oldMode_);
    } else {
        ::fchmod(fd_, 0666 & ~currentUmask());
    }
    if (::fsync(fd_) != 0) return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
    temp_.clear();
    forgetTempFile(slot_);

    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::time_t> fileModificationTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime;
}

}  // namespace otdr
