#include "analysis/general/buffer.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Under the address sanitizer the buffers come from the heap, where it guards their bounds.
#if defined(__SANITIZE_ADDRESS__)
#define OTDR_BUFFER_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define OTDR_BUFFER_POOL 0
#endif
#endif
#if !defined(OTDR_BUFFER_POOL)
#if defined(__linux__)
#define OTDR_BUFFER_POOL 1
#else
#define OTDR_BUFFER_POOL 0
#endif
#endif

namespace otdr::general::detail {

#if OTDR_BUFFER_POOL

namespace {

// Room for the buffers of a 250 000-point trace several times over; only what is used is
// mapped.
constexpr std::size_t kPoolBytes = std::size_t{64} << 20;
constexpr std::size_t kAlign = 64;

struct Pool {
    char* base = nullptr;
    std::size_t used = 0;
    std::size_t live = 0;  // blocks handed out and not yet returned
    bool unavailable = false;

    bool ready() {
        if (base || unavailable) return base != nullptr;
        void* m = mmap(nullptr, kPoolBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (m == MAP_FAILED) {
            unavailable = true;
            return false;
        }
        base = static_cast<char*>(m);
        // A hint: where the kernel does not take it, the region still saves the faults of
        // every trace after the first.
        madvise(m, kPoolBytes, MADV_HUGEPAGE);
        return true;
    }
    bool holds(const void* p) const {
        const char* c = static_cast<const char*>(p);
        return base && c >= base && c < base + kPoolBytes;
    }
    ~Pool() {
        if (base) munmap(base, kPoolBytes);
    }
};

thread_local Pool pool;

}  // namespace

void* takeBlock(std::size_t bytes) {
    Pool& p = pool;
    const std::size_t need = (bytes + kAlign - 1) / kAlign * kAlign;
    if (need >= bytes && p.ready() && need <= kPoolBytes - p.used) {
        void* block = p.base + p.used;
        p.used += need;
        ++p.live;
        return block;
    }
    return ::operator new(bytes);
}

bool pooled() noexcept {
    return true;
}

void giveBack(void* block, std::size_t bytes) noexcept {
    Pool& p = pool;
    if (p.holds(block)) {
        if (--p.live == 0) p.used = 0;
        return;
    }
    static_cast<void>(bytes);
    ::operator delete(block);
}

#else

bool pooled() noexcept {
    return false;
}

void* takeBlock(std::size_t bytes) {
    return ::operator new(bytes);
}

void giveBack(void* block, std::size_t bytes) noexcept {
    static_cast<void>(bytes);
    ::operator delete(block);
}

#endif

}  // namespace otdr::general::detail
