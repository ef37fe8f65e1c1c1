#include "batch.h"

#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "interrupt.h"
#include "progress.h"
#include "util/temp_files.h"

namespace otdr::cli {

namespace {

constexpr auto kProgressTick = std::chrono::milliseconds(100);

// Item i's work; an exception (no memory, say) fails the item with a message instead of
// ending the run.
ItemResult doWork(const Batch& b, std::size_t i) {
    const auto failed = [&](const std::string& why) {
        ItemResult r;
        r.status = 1;
        r.err = "otdr: " + (b.name ? b.name(i) : std::to_string(i)) + ": " + why + "\n";
        return r;
    };
    try {
        return b.work(i);
    } catch (const std::bad_alloc&) {
        return failed("内存不足");
    } catch (const std::exception& e) {
        return failed(std::string("内部错误：") + e.what());
    } catch (...) {
        return failed("内部错误");
    }
}

// Writes one item's texts, stepping the progress line aside; false when standard output fails.
bool writeItem(const ItemResult& r, ProgressBar& progress) {
    static const bool outToTerminal = ::isatty(STDOUT_FILENO) == 1;
    if (r.out.empty() && r.err.empty()) return true;
    // Output to a file or pipe passes the progress line by.
    if (!r.err.empty() || outToTerminal) progress.suspend();
    if (!r.err.empty()) std::cerr << r.err << std::flush;
    if (!r.out.empty()) std::cout << r.out << std::flush;
    progress.resume();
    return static_cast<bool>(std::cout);
}

// Accepts and writes the item; false when the run must end after it.
bool finishItem(const Batch& b, std::size_t i, ItemResult& r, ProgressBar& progress, bool& ok) {
    const bool more = b.accept ? b.accept(i, r) : true;
    ok = writeItem(r, progress);
    return more && ok;
}

bool runInline(const Batch& b, ProgressBar& progress) {
    bool ok = true;
    for (std::size_t i = 0; i < b.count; ++i) {
        ItemResult r = doWork(b, i);
        progress.advance(i + 1);
        if (!finishItem(b, i, r, progress, ok)) break;
    }
    return ok;
}

bool runOnThreads(const Batch& b, std::size_t jobs, ProgressBar& progress) {
    std::vector<std::optional<ItemResult>> results(b.count);
    std::mutex m;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::size_t completed = 0;

    std::vector<std::thread> threads;
    for (std::size_t j = 0; j < jobs; ++j)
        threads.emplace_back([&] {
            for (;;) {
                const std::size_t i = next.fetch_add(1);
                if (i >= b.count || stop) return;
                ItemResult r = doWork(b, i);
                {
                    const std::lock_guard<std::mutex> lock(m);
                    results[i] = std::move(r);
                    ++completed;
                }
                ready.notify_one();
            }
        });

    bool ok = true;
    for (std::size_t emitted = 0; emitted < b.count;) {
        std::unique_lock<std::mutex> lock(m);
        ready.wait_for(lock, kProgressTick, [&] { return results[emitted].has_value(); });
        const std::size_t done = completed;
        std::optional<ItemResult> r = std::move(results[emitted]);
        results[emitted].reset();
        lock.unlock();
        progress.advance(done);
        if (!r) continue;
        if (!finishItem(b, emitted++, *r, progress, ok)) {
            stop = true;
            break;
        }
    }
    for (std::thread& t : threads) t.join();
    return ok;
}

// ---- worker processes ----

bool writeAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// A result travels back as: index, status, length of out, length of err, out, err.
struct FrameHeader {
    std::uint64_t index;
    std::int64_t status;
    std::uint64_t outSize;
    std::uint64_t errSize;
};

struct Worker {
    // The worker's temporary files, in memory shared with it: removed here when it dies.
    TempFileTable* temps = nullptr;
    pid_t pid = -1;
    int request = -1;  // the parent writes item indices here
    int result = -1;   // and reads the results here
    bool busy = false;
    std::size_t item = 0;
    std::string received;
};

[[noreturn]] void workerLoop(const Batch& b, int request, int result, TempFileTable* temps) {
    setInterruptClearsLine(false);
    useTempFileTable(temps);
    std::uint64_t index = 0;
    while (readAll(request, &index, sizeof index)) {
        const ItemResult r = doWork(b, static_cast<std::size_t>(index));
        const FrameHeader h{index, r.status, r.out.size(), r.err.size()};
        if (!writeAll(result, &h, sizeof h) || !writeAll(result, r.out.data(), r.out.size()) ||
            !writeAll(result, r.err.data(), r.err.size()))
            ::_exit(1);
    }
    ::_exit(0);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A table in memory that stays shared with the processes forked after it; nullptr when the
// system refuses it (the worker then records its files only for its own signal handler).
TempFileTable* sharedTempFileTable() {
    void* p = ::mmap(nullptr, sizeof(TempFileTable), PROT_READ | PROT_WRITE,
                     MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : new (p) TempFileTable{};
}

// Starts a worker; false when the system refuses a pipe or a process.
bool spawn(const Batch& b, std::vector<Worker>& all, Worker& w) {
    if (!w.temps) w.temps = sharedTempFileTable();
    int req[2], res[2];
    if (::pipe(req) != 0) return false;
    if (::pipe(res) != 0) {
        ::close(req[0]);
        ::close(req[1]);
        return false;
    }
    // Buffered output would otherwise be written twice, once by the child.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(req[1]);
        ::close(res[0]);
        // Other workers' pipe ends stay open only in the parent, so each worker sees the end
        // of its own requests.
        for (Worker& other : all) {
            if (&other == &w) continue;
            if (other.request >= 0) ::close(other.request);
            if (other.result >= 0) ::close(other.result);
        }
        workerLoop(b, req[0], res[1], w.temps);
    }
    ::close(req[0]);
    ::close(res[1]);
    if (pid < 0) {
        ::close(req[1]);
        ::close(res[0]);
        return false;
    }
    TempFileTable* temps = w.temps;
    w = Worker{};
    w.temps = temps;
    w.pid = pid;
    w.request = req[1];
    w.result = res[0];
    return true;
}

std::string exitDescription(int status) {
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    return "unknown cause";
}

bool runInProcesses(const Batch& b, std::size_t jobs, ProgressBar& progress) {
    // A worker that died must not end the parent when it is handed the next index.
    struct sigaction ignore {};
    struct sigaction oldPipe {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &oldPipe);

    std::vector<Worker> workers(jobs);
    std::vector<std::optional<ItemResult>> results(b.count);
    std::size_t next = 0, completed = 0, emitted = 0;
    bool stop = false, ok = true;

    auto dispatch = [&](Worker& w) {
        if (stop || next >= b.count) {
            closeFd(w.request);  // no more work: the worker ends
            return;
        }
        const std::uint64_t index = next;
        if (!writeAll(w.request, &index, sizeof index)) return;  // its death shows on poll
        w.busy = true;
        w.item = next++;
    };
    auto lost = [&](Worker& w) {
        int status = 0;
        ::waitpid(w.pid, &status, 0);
        w.pid = -1;
        closeFd(w.request);
        closeFd(w.result);
        // What it was writing when it died is of no use to anyone.
        if (w.temps) removeTempFiles(*w.temps);
        if (w.busy) {
            w.busy = false;
            ItemResult r;
            r.status = 1;
            r.err = "otdr: " + (b.name ? b.name(w.item) : std::to_string(w.item)) +
                    ": the worker process ended unexpectedly (" + exitDescription(status) + ")\n";
            results[w.item] = std::move(r);
            ++completed;
        }
        if (!stop && next < b.count && spawn(b, workers, w)) dispatch(w);
    };
    // Takes every complete result out of the worker's received bytes.
    auto takeResults = [&](Worker& w) {
        for (;;) {
            FrameHeader h{};
            if (w.received.size() < sizeof h) return;
            std::memcpy(&h, w.received.data(), sizeof h);
            const std::size_t total = sizeof h + h.outSize + h.errSize;
            if (w.received.size() < total) return;
            ItemResult r;
            r.status = static_cast<int>(h.status);
            r.out = w.received.substr(sizeof h, h.outSize);
            r.err = w.received.substr(sizeof h + h.outSize, h.errSize);
            w.received.erase(0, total);
            if (h.index < b.count) results[h.index] = std::move(r);
            ++completed;
            w.busy = false;
            dispatch(w);
        }
    };

    for (Worker& w : workers)
        if (next < b.count && spawn(b, workers, w)) dispatch(w);

    while (emitted < b.count && !stop) {
        while (emitted < b.count && results[emitted]) {
            ItemResult r = std::move(*results[emitted]);
            results[emitted].reset();
            if (!finishItem(b, emitted++, r, progress, ok)) {
                stop = true;
                break;
            }
        }
        if (stop || emitted >= b.count) break;

        std::vector<pollfd> fds;
        std::vector<Worker*> owners;
        for (Worker& w : workers)
            if (w.result >= 0) {
                fds.push_back({w.result, POLLIN, 0});
                owners.push_back(&w);
            }
        if (fds.empty()) {
            // Not a single worker could be started: do the rest here.
            for (; next < b.count; ++next) results[next] = doWork(b, next);
            continue;
        }
        const int n = ::poll(fds.data(), fds.size(), static_cast<int>(kProgressTick.count()));
        if (n < 0 && errno != EINTR) break;
        for (std::size_t k = 0; n > 0 && k < fds.size(); ++k) {
            if (fds[k].revents == 0) continue;
            Worker& w = *owners[k];
            char buf[65536];
            const ssize_t got = ::read(w.result, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                lost(w);
                continue;
            }
            w.received.append(buf, static_cast<std::size_t>(got));
            takeResults(w);
        }
        progress.advance(completed);
    }

    // Idle workers end when their requests close; busy ones are no longer needed.
    for (Worker& w : workers) {
        if (w.pid < 0) continue;
        if (w.busy) ::kill(w.pid, SIGTERM);
        closeFd(w.request);
        int status = 0;
        ::waitpid(w.pid, &status, 0);
        closeFd(w.result);
        if (w.temps) removeTempFiles(*w.temps);
    }
    for (Worker& w : workers)
        if (w.temps) ::munmap(w.temps, sizeof(TempFileTable));
    ::sigaction(SIGPIPE, &oldPipe, nullptr);
    return ok;
}

}  // namespace

bool runBatch(const Batch& b, ProgressBar& progress) {
    const std::size_t jobs =
        std::min<std::size_t>(b.count, static_cast<std::size_t>(std::max(1, b.jobs)));
    bool ok = true;
    if (jobs <= 1)
        ok = runInline(b, progress);
    else if (b.workers == Workers::Threads)
        ok = runOnThreads(b, jobs, progress);
    else
        ok = runInProcesses(b, jobs, progress);
    progress.finish();
    return ok;
}

std::string labelLines(const std::string& label, const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        out += label + ": " + text.substr(start, end - start);
        start = end;
    }
    return out;
}

int defaultJobs() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace otdr::cli
