#include "util/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

namespace otdr {

namespace {

TempFileTable ownTable{};
std::atomic<TempFileTable*> currentTable{&ownTable};

timespec realTimeNow() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

// When this process started (a forked worker keeps its parent's time): temporary files changed
// before it cannot be this run's own.
const timespec processStart = realTimeNow();

bool before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool isTempName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) return false;
    for (char c : name.substr(prefix.size()))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// Removes the entry when it is a stale temporary file: a regular file changed before this
// run that nobody holds locked. The lock is held while the name is removed, so a writer that
// starts on it now cannot be robbed of a file it has locked.
void removeIfStale(int dir, const char* name) {
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && before(st.st_mtim, processStart) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // The name must still be the file that was checked.
        struct stat now {};
        if (::fstatat(dir, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == st.st_ino &&
            now.st_dev == st.st_dev)
            ::unlinkat(dir, name, 0);
    }
    ::close(fd);
}

}  // namespace

TempFileTable& tempFileTable() {
    return *currentTable.load();
}

void useTempFileTable(TempFileTable* table) {
    currentTable.store(table ? table : &ownTable);
}

TempFileSlot rememberTempFile(const std::string& path) {
    TempFileSlot slot;
    if (path.size() >= PATH_MAX) return slot;
    TempFileTable& t = tempFileTable();
    for (int i = 0; i < TempFileTable::kSlots; ++i) {
        int expected = 0;
        // Claimed (2) while the name is written, so a signal handler never reads half a name.
        if (!t.used[i].compare_exchange_strong(expected, 2)) continue;
        std::memcpy(t.names[i], path.c_str(), path.size() + 1);
        t.used[i].store(1);
        slot.table = &t;
        slot.index = i;
        return slot;
    }
    return slot;
}

void forgetTempFile(TempFileSlot& slot) {
    if (slot.table && slot.index >= 0) slot.table->used[slot.index].store(0);
    slot = TempFileSlot{};
}

void removeTempFiles(TempFileTable& table) noexcept {
    for (int i = 0; i < TempFileTable::kSlots; ++i) {
        if (table.used[i].load() != 1) continue;
        ::unlink(table.names[i]);
        table.used[i].store(0);
    }
}

void removeStaleTempFiles(const std::string& folder, std::string_view prefix) {
    static std::mutex m;
    static std::set<std::string> done;
    {
        const std::lock_guard<std::mutex> lock(m);
        if (!done.insert(folder + '\0' + std::string(prefix)).second) return;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    DIR* d = ::fdopendir(dir);
    if (!d) {
        ::close(dir);
        return;
    }
    while (const dirent* e = ::readdir(d))
        if (isTempName(e->d_name, prefix)) removeIfStale(::dirfd(d), e->d_name);
    ::closedir(d);
}

}  // namespace otdr
