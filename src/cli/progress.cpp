#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "interrupt.h"
#include "util/numeric.h"

namespace otdr::cli {

namespace {

// Terminal columns a UTF-8 text takes; the only three-byte characters written here are
// Chinese ones, which take two columns.
std::size_t displayWidth(const std::string& s) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        width += len == 3 ? 2 : 1;
        i += len;
    }
    return width;
}

std::string clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    if (s >= 3600) return cformat("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return cformat("%ld:%02ld", s / 60, s % 60);
}

void writeErr(const std::string& s) {
    std::fflush(stderr);
    std::size_t off = 0;
    while (off < s.size()) {
        const ssize_t n = ::write(STDERR_FILENO, s.data() + off, s.size() - off);
        if (n <= 0) return;
        off += static_cast<std::size_t>(n);
    }
}

constexpr const char* kClearLine = "\r\033[K";

}  // namespace

ProgressBar::ProgressBar(std::size_t total, bool wanted)
    : shown_(wanted && total >= kMinFiles && ::isatty(STDERR_FILENO) == 1), total_(total) {
    start_ = lastDraw_ = std::chrono::steady_clock::now();
    if (!shown_) return;
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) columns_ = ws.ws_col;
    setInterruptClearsLine(true);
    draw();
}

ProgressBar::~ProgressBar() {
    finish();
}

std::string ProgressBar::line(std::size_t done, std::size_t total, double seconds, int columns) {
    const int digits = static_cast<int>(std::to_string(total).size());
    const std::string counts = cformat("%*zu/%zu ", digits, done, total);
    std::string rate = "--";
    std::string left = "--:--";
    if (done > 0 && seconds > 0.05) {
        const double perSecond = static_cast<double>(done) / seconds;
        rate = perSecond < 10 ? cformat("%.1f", perSecond) : cformat("%.0f", perSecond);
        left = clock(static_cast<double>(total - done) / perSecond);
    }
    const std::string tail = "  " + rate + " 个/秒  剩余 " + left;
    // One column stays free so the cursor never wraps to the next line.
    const long room = static_cast<long>(columns) - 1 - static_cast<long>(displayWidth(counts)) -
                      static_cast<long>(displayWidth(tail)) - 2;
    if (room < 5) {
        // Too narrow for a bar: the counts and as much of the rest as fits.
        const std::string shortLine = counts + tail.substr(2);
        if (displayWidth(shortLine) + 1 <= static_cast<std::size_t>(columns)) return shortLine;
        return counts;
    }
    const std::size_t width = static_cast<std::size_t>(std::min(room, 40L));
    const std::size_t full = total == 0 ? width : width * std::min(done, total) / total;
    return counts + "[" + std::string(full, '#') + std::string(width - full, '.') + "]" + tail;
}

void ProgressBar::draw() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    writeErr(kClearLine + line(done_, total_, seconds, columns_));
    drawn_ = true;
    drawnDone_ = done_;
    lastDraw_ = std::chrono::steady_clock::now();
}

void ProgressBar::advance(std::size_t done) {
    done_ = done;
    if (!shown_) return;
    const bool allDone = done_ >= total_ && drawnDone_ != done_;
    if (allDone || std::chrono::steady_clock::now() - lastDraw_ >= std::chrono::milliseconds(100))
        draw();
}

void ProgressBar::suspend() {
    if (!drawn_) return;
    writeErr(kClearLine);
    drawn_ = false;
}

void ProgressBar::resume() {
    if (shown_ && !drawn_) draw();
}

void ProgressBar::finish() {
    if (!shown_) return;
    suspend();
    shown_ = false;
    setInterruptClearsLine(false);
}

}  // namespace otdr::cli
