#pragma once
// Helpers shared by the core tests.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
};

// Runs the command-line tool with the given arguments (standard error discarded).
inline CliResult runCli(const std::string& args) {
    const std::string cmd = std::string(OTDR_CLI_PATH) + " " + args + " 2>/dev/null";
    CliResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
#endif

}  // namespace otdr::test
