#include "workspace/controls.h"

namespace otdr {

ControlState& Controls::operator[](std::string_view name) {
    auto it = map_.find(name);
    if (it == map_.end()) it = map_.emplace(std::string(name), ControlState{}).first;
    if (changed_.find(name) == changed_.end()) changed_.emplace(name);
    return it->second;
}

const ControlState& Controls::get(std::string_view name) const {
    static const ControlState kDefault{};
    auto it = map_.find(name);
    return it == map_.end() ? kDefault : it->second;
}

std::set<std::string, std::less<>> Controls::takeChanged() {
    std::set<std::string, std::less<>> out;
    out.swap(changed_);
    return out;
}

void Controls::markAllChanged() {
    for (const auto& [name, state] : map_) changed_.insert(name);
}

}  // namespace otdr
