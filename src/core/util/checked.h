#pragma once
// Checked element access for the sample store and the analysis work arrays: an index outside
// the array reads 0. The analysis walks indices derived from measured data, so a stray index
// must never read or write outside its array.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace otdr {

template <class T, std::size_t N>
constexpr T at(const std::array<T, N>& a, std::int64_t i) {
    return (i >= 0 && static_cast<std::uint64_t>(i) < N) ? a[static_cast<std::size_t>(i)] : T{};
}

template <class T>
constexpr T at(std::span<const T> a, std::int64_t i) {
    return (i >= 0 && static_cast<std::uint64_t>(i) < a.size()) ? a[static_cast<std::size_t>(i)]
                                                                : T{};
}

// Writes only inside the array; an index outside it is ignored.
template <class T, std::size_t N>
constexpr void setAt(std::array<T, N>& a, std::int64_t i, T v) {
    if (i >= 0 && static_cast<std::uint64_t>(i) < N) a[static_cast<std::size_t>(i)] = v;
}

}  // namespace otdr
