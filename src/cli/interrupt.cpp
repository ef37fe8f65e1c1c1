#include "interrupt.h"

#include <unistd.h>

#include <csignal>

#include "util/temp_files.h"

namespace otdr::cli {

namespace {

volatile std::sig_atomic_t clearLine = 0;

extern "C" void onInterrupt(int sig) {
    otdr::removeTempFiles(otdr::tempFileTable());
    if (clearLine) {
        const char text[] = "\r\033[K";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, sizeof text - 1);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void handleInterrupts() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction sa {};
        sa.sa_handler = onInterrupt;
        sigemptyset(&sa.sa_mask);
        // One handler at a time: a second signal waits until the first has cleaned up.
        for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, other);
        // Leave a signal that was ignored (nohup) ignored.
        struct sigaction old {};
        ::sigaction(sig, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
}

void setInterruptClearsLine(bool on) {
    handleInterrupts();
    clearLine = on ? 1 : 0;
}

}  // namespace otdr::cli
