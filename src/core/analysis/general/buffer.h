#pragma once
// Storage for values the analysis writes before it reads them: a vector whose growth leaves
// new values unset instead of clearing them, so that a trace's working arrays are written
// once, not cleared first and written again.

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace otdr::general {

namespace detail {
// Blocks for the buffers: from a region of the calling thread's that the kernel may back with
// huge pages, handed out in order and taken back whole once every block is returned (an
// analysis returns all of its buffers at its end), so that the next trace reuses memory already
// mapped instead of touching fresh pages; from the heap when the region is full. A block is
// returned by the thread that took it.
void* takeBlock(std::size_t bytes);
void giveBack(void* p, std::size_t bytes) noexcept;
// Whether blocks come from the region (not under a memory sanitizer, which guards heap blocks).
bool pooled() noexcept;
}  // namespace detail

template <class T>
struct UnsetAllocator : std::allocator<T> {
    T* allocate(std::size_t n) { return static_cast<T*>(detail::takeBlock(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { detail::giveBack(p, n * sizeof(T)); }
    template <class U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    // Growth without a value leaves the new elements default-initialised: unset for numbers.
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <class T>
using Buffer = std::vector<T, UnsetAllocator<T>>;

}  // namespace otdr::general
