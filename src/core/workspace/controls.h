#pragma once
// The state of every named component of the windows, as the commands leave it: enabled,
// visible, checked, text (UTF-8) and, for combo boxes, the selected index. The window applies
// this map to its widgets by object name; no command touches a widget.

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace otdr {

struct ControlState {
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::string text;
    int index = -1;  // combo boxes: selected item
    friend bool operator==(const ControlState&, const ControlState&) = default;
};

class Controls {
  public:
    // Creates the entry when missing and marks it changed.
    ControlState& operator[](std::string_view name);
    // The entry, or a shared default state when the name is unknown.
    const ControlState& get(std::string_view name) const;
    bool has(std::string_view name) const { return map_.find(name) != map_.end(); }

    void setEnabled(std::string_view name, bool on) { (*this)[name].enabled = on; }
    void setVisible(std::string_view name, bool on) { (*this)[name].visible = on; }
    void setChecked(std::string_view name, bool on) { (*this)[name].checked = on; }
    void setText(std::string_view name, std::string text) { (*this)[name].text = std::move(text); }
    const std::string& text(std::string_view name) const { return get(name).text; }

    const std::map<std::string, ControlState, std::less<>>& all() const { return map_; }

    // Names changed since the last call; the window applies only these.
    std::set<std::string, std::less<>> takeChanged();
    void markAllChanged();

  private:
    std::map<std::string, ControlState, std::less<>> map_;
    std::set<std::string, std::less<>> changed_;
};

}  // namespace otdr
