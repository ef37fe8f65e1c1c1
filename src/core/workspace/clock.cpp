#include "workspace/clock.h"

namespace otdr {

namespace {
std::string localFormat(std::time_t t, const char* fmt) {
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) return {};
    char buf[64];
    return std::string(buf, std::strftime(buf, sizeof buf, fmt, &tm));
}
}  // namespace

std::time_t Clock::now() const {
    return std::time(nullptr);
}
std::string Clock::shortDate(std::time_t t) const {
    return localFormat(t, "%Y/%m/%d");
}
std::string Clock::longTime(std::time_t t) const {
    return localFormat(t, "%H:%M:%S");
}

const Clock& systemClock() {
    static const Clock clock;
    return clock;
}

}  // namespace otdr
