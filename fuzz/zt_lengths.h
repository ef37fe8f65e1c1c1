#pragma once
// ZT files are told apart by their length alone. The harnesses fit an input to one of the
// lengths the reader recognises, or to a length just beside one, so that every layout is
// reached with inputs of a few hundred bytes: the samples are zeros and the input follows
// them, where the header, the texts and the event count lie.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "trace/zt_format.h"
#include "util/bytes.h"

namespace otdr::fuzz {

// 33002 + 26 n bytes: a file written with n events.
constexpr std::size_t withEvents(std::size_t n) {
    return zt::kWrittenLength + 2 + zt::kEventRecordSize * n;
}

inline constexpr std::size_t kZtLengths[] = {
    32815,
    32816,
    32817,
    32847,
    32848,
    32849,
    32967,
    32968,
    32969,
    32999,
    33000,
    33001,
    withEvents(1),
    withEvents(3),
    withEvents(4),
    withEvents(38),
    withEvents(39),
    33099,
    33100,
    34000,
    34001,
    withEvents(199),
    withEvents(200),
    zt::kFullRateLength - 1,
    zt::kFullRateLength,
    zt::kFullRateLength + 1,
    70000,
};
inline constexpr std::size_t kZtLengthCount = sizeof kZtLengths / sizeof kZtLengths[0];

// Makes files of the chosen lengths: zero samples, then the input, cut or padded with zeros.
// One buffer serves every run; only the bytes the last input wrote are cleared again, so a
// run costs what the input is long, not what the file is.
class ZtFitter {
  public:
    ByteView fit(ByteView input, std::size_t length) {
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(dirtyFrom_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(dirtyTo_), 0);
        const std::size_t samplesEnd = length > 34000 ? 2 * kSampleCount : 2 * kHalfSampleCount;
        dirtyFrom_ = dirtyTo_ = 0;
        if (samplesEnd < length) {
            const std::size_t n = std::min(input.size(), length - samplesEnd);
            std::copy(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(samplesEnd));
            dirtyFrom_ = samplesEnd;
            dirtyTo_ = samplesEnd + n;
        }
        return ByteView(buffer_).first(length);
    }

  private:
    static constexpr std::size_t longest() {
        std::size_t m = 0;
        for (std::size_t l : kZtLengths) m = l > m ? l : m;
        return m;
    }
    Bytes buffer_ = Bytes(longest(), 0);
    std::size_t dirtyFrom_ = 0;
    std::size_t dirtyTo_ = 0;
};

}  // namespace otdr::fuzz
