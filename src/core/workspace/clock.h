#pragma once
// The time functions the program uses: the current time and the platform's short date and
// long time formats. The window supplies the system's formats; tests a fixed clock.

#include <ctime>
#include <string>

namespace otdr {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::time_t now() const;
    // Local date, e.g. "2026/12/08".
    virtual std::string shortDate(std::time_t t) const;
    // Local time of day, e.g. "17:03:09".
    virtual std::string longTime(std::time_t t) const;
};

// The default clock for programs without a window.
const Clock& systemClock();

}  // namespace otdr
