#pragma once
// The event table of a slot: a count and up to 199 position words, each a full-rate sample
// index with the reflective flag in bit 15. All changes go through methods that keep the count
// within 0..199 and never write outside the 200 words.

#include <array>
#include <cstdint>
#include <string>

namespace otdr {

constexpr int kMaxEvents = 199;
constexpr int kEventRows = 200;
constexpr std::uint16_t kReflectiveFlag = 0x8000;
constexpr std::uint16_t kPositionMask = 0x7FFF;

struct EventTable {
    std::array<std::uint16_t, kEventRows> words{};

    int count() const { return words[0] > kMaxEvents ? kMaxEvents : words[0]; }
    void setCount(int n) {
        words[0] = static_cast<std::uint16_t>(n < 0 ? 0 : n > kMaxEvents ? kMaxEvents : n);
    }
    // Word i (1-based), 0 outside 1..199.
    std::uint16_t word(int i) const {
        return (i >= 1 && i <= kMaxEvents) ? words[static_cast<std::size_t>(i)] : 0;
    }
    void setWord(int i, std::uint16_t w) {
        if (i >= 1 && i <= kMaxEvents) words[static_cast<std::size_t>(i)] = w;
    }
    int position(int i) const { return word(i) & kPositionMask; }
    bool reflective(int i) const { return (word(i) & kReflectiveFlag) != 0; }

    void clearAll() { words.fill(0); }
    // Appends a word; false (and nothing changes) when the table is full.
    bool append(std::uint16_t w) {
        const int n = count();
        if (n >= kMaxEvents) return false;
        words[static_cast<std::size_t>(n + 1)] = w;
        words[0] = static_cast<std::uint16_t>(n + 1);
        return true;
    }
    // Inserts a word at 1-based position i, moving the later ones up; false when full.
    bool insert(int i, std::uint16_t w) {
        const int n = count();
        if (n >= kMaxEvents || i < 1 || i > n + 1) return false;
        for (int k = n + 1; k > i; --k)
            words[static_cast<std::size_t>(k)] = words[static_cast<std::size_t>(k - 1)];
        words[static_cast<std::size_t>(i)] = w;
        words[0] = static_cast<std::uint16_t>(n + 1);
        return true;
    }
    // Removes word i, moving the later ones down.
    void remove(int i) {
        const int n = count();
        if (i < 1 || i > n) return;
        for (int k = i; k < n; ++k)
            words[static_cast<std::size_t>(k)] = words[static_cast<std::size_t>(k + 1)];
        words[0] = static_cast<std::uint16_t>(n - 1);
    }
};

// Five text columns per event row, as shown in the grid: distance, average loss, splice loss,
// return loss, link loss. Row r - 1 belongs to event r.
enum EventColumn : int {
    kColDistance = 0,
    kColAverageLoss = 1,
    kColSpliceLoss = 2,
    kColReturnLoss = 3,
    kColLinkLoss = 4,
};
using EventText = std::array<std::array<std::string, kEventRows>, 5>;

}  // namespace otdr
