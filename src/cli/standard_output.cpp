#include "standard_output.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <streambuf>

#include "util/file_io.h"

namespace otdr::cli {

namespace {

class CheckedBuffer : public std::streambuf {
  public:
    CheckedBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
    int error() const { return error_; }
    // Writes the buffer; false once a write failed.
    bool drain() {
        const bool ok = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        setp(buffer_, buffer_ + sizeof buffer_);
        return ok;
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
    // A piece larger than the buffer goes out directly after what is buffered, uncopied.
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n < static_cast<std::streamsize>(sizeof buffer_)) return std::streambuf::xsputn(s, n);
        if (!drain() || !writeAll(s, static_cast<std::size_t>(n))) return 0;
        return n;
    }

  private:
    bool writeAll(const char* p, std::size_t n) {
        while (n > 0 && error_ == 0) {
            const ssize_t w = ::write(STDOUT_FILENO, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error_ = w < 0 ? errno : EIO;
                break;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return error_ == 0;
    }

    char buffer_[64 * 1024];
    int error_ = 0;
};

CheckedBuffer* checked = nullptr;

}  // namespace

void checkStandardOutput() {
    if (checked) return;
    // Never destroyed: std::cout is flushed once more after every static object is gone.
    checked = new CheckedBuffer;
    std::cout.rdbuf(checked);
    // On a terminal every piece shows at once, as a line-buffered stream would show it.
    if (::isatty(STDOUT_FILENO) == 1) std::cout.setf(std::ios::unitbuf);
}

int standardOutputError() {
    return checked ? checked->error() : 0;
}

int finishStandardOutput() {
    std::cout.flush();
    if (!checked) return std::cout ? 0 : EIO;
    checked->drain();
    if (checked->error() != 0) return checked->error();
    // A file system that writes late (NFS, a full quota) reports its failure here.
    if (::close(STDOUT_FILENO) != 0 && errno != EINTR && errno != EBADF) return errno;
    return 0;
}

std::string standardOutputMessage(const std::string& command, int err) {
    return "otdr" + (command.empty() ? std::string() : " " + command) + ": 无法写入标准输出：" +
           fileErrorReason(err);
}

}  // namespace otdr::cli
