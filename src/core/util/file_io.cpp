#include "util/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace otdr {

namespace {
Error ioError(const char* what, const std::string& path, int err) {
    return Error{ErrorKind::Io, std::string(what) + "“" + path + "”：" + std::strerror(err)};
}
}  // namespace

Result<Bytes> readWholeFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ioError("无法打开文件", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return ioError("无法读取文件", path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return ioError("无法读取文件", path, EISDIR);
    }
    if (st.st_size < 0 || static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return ioError("无法读取文件", path, EFBIG);
    }
    Bytes data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return ioError("无法读取文件", path, err);
        }
        if (n == 0) break;
        data.insert(data.end(), buf, buf + n);
        if (data.size() > maxBytes) {
            ::close(fd);
            return ioError("无法读取文件", path, EFBIG);
        }
    }
    ::close(fd);
    return data;
}

Result<void> writeFileAtomically(const std::string& path, ByteView bytes) {
    std::string tmpl = path + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return ioError("无法保存文件", path, errno);
    auto fail = [&](int err) -> Result<void> {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return ioError("无法保存文件", path, err);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    // Keep the permissions an existing file had; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return ioError("无法保存文件", path, err);
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return ioError("无法保存文件", path, err);
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
