#pragma once
// Helpers shared by the core tests.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "util/bytes.h"
#include "util/file_io.h"
#include "workspace/clock.h"

namespace otdr::test {

// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "otdr-test-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::string& path, ByteView bytes) {
    auto r = writeFileAtomically(path, bytes);
    if (!r) std::abort();
}

// The names in a folder.
inline std::set<std::string> folderEntries(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// How a function run in a child process ended.
struct ChildOutcome {
    bool exited = false;  // returned a code; otherwise a signal ended it
    int code = -1;        // the code it returned
    int signal = 0;       // the signal that ended it (SIGALRM: it ran out of time)
};

// Runs body() in a forked child, for what must not touch the test process: giving up root,
// lowering a resource limit, a call that might block. The child is ended with SIGALRM after
// timeoutSeconds.
template <class Body>
ChildOutcome runInChild(Body body, unsigned timeoutSeconds = 10) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(timeoutSeconds);
        const int code = body();
        ::_exit(code);
    }
    ChildOutcome out;
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return out;
    out.exited = WIFEXITED(status);
    if (out.exited) out.code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) out.signal = WTERMSIG(status);
    return out;
}

// For a child process: root gives up its rights for those of "nobody" (65534), so that file
// permissions apply to it. False when that is not possible; an ordinary user stays as it is.
inline bool dropRootRights() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}
// The exit code of a child that could not give up root: the test is skipped.
constexpr int kChildCannotDropRoot = 77;

// A clock standing still at a fixed time, with fixed formats.
class FixedClock : public Clock {
  public:
    explicit FixedClock(std::time_t t = 1142604309) : t_(t) {}
    std::time_t now() const override { return t_; }
    std::string shortDate(std::time_t) const override { return "2006/03/17"; }
    std::string longTime(std::time_t) const override { return "14:05:09"; }

  private:
    std::time_t t_;
};

#ifdef OTDR_CLI_PATH
struct CliResult {
    int status = -1;  // exit code, -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error, when it was kept
};

// Runs the command-line tool with the given arguments. Standard error is discarded, or kept in
// the file errFile and returned.
inline CliResult runCli(const std::string& args, const std::string& errFile = {}) {
    const std::string cmd = std::string(OTDR_CLI_PATH) + " " + args + " 2>" +
                            (errFile.empty() ? std::string("/dev/null") : errFile);
    CliResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (!errFile.empty()) {
        std::ifstream e(errFile, std::ios::binary);
        r.err.assign(std::istreambuf_iterator<char>(e), {});
    }
    return r;
}
#endif

}  // namespace otdr::test
