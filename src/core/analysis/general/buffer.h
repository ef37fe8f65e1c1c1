#pragma once
// Storage for values the analysis writes before it reads them: a vector whose growth leaves
// new values unset instead of clearing them, so that a trace's working arrays are written
// once, not cleared first and written again.

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace otdr::general {

template <class T>
struct UnsetAllocator : std::allocator<T> {
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
