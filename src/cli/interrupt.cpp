#include "interrupt.h"

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

namespace otdr::cli {

namespace {

// Read by the signal handler: plain storage, set only while the flag says it is unusable.
char removePath[PATH_MAX];
volatile std::sig_atomic_t removeSet = 0;
volatile std::sig_atomic_t clearLine = 0;

extern "C" void onInterrupt(int sig) {
    if (removeSet) ::unlink(removePath);
    if (clearLine) {
        const char text[] = "\r\033[K";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, sizeof text - 1);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installOnce() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction sa {};
        sa.sa_handler = onInterrupt;
        sigemptyset(&sa.sa_mask);
        // Leave a signal that was ignored (nohup) ignored.
        struct sigaction old {};
        ::sigaction(sig, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
}

}  // namespace

void setInterruptRemoves(const std::string& path) {
    installOnce();
    removeSet = 0;
    if (path.empty() || path.size() >= sizeof removePath) return;
    std::memcpy(removePath, path.c_str(), path.size() + 1);
    removeSet = 1;
}

void setInterruptClearsLine(bool on) {
    installOnce();
    clearLine = on ? 1 : 0;
}

}  // namespace otdr::cli
