#pragma once
// Every command component of the main window: its name, caption or hint, shortcut, parent menu,
// the handler it runs and whether it is enabled at start. The window builds its menus, tool
// bars and buttons from this table; the workspace takes the start states from it.

#include <span>
#include <string_view>

namespace otdr {

enum class ComponentKind {
    ToolButton,  // text is the hint
    Menu,        // a menu of the menu bar or a sub-menu
    MenuItem,
    PopupItem,  // item of the chart's pop-up menu
    Button,
    RadioButton,
};

struct ComponentDef {
    std::string_view name;
    ComponentKind kind;
    std::string_view text;      // caption, or the hint of a tool button
    std::string_view shortcut;  // portable text, e.g. "Ctrl+L"
    std::string_view parent;    // menu holding the item, tool bar holding the button
    std::string_view handler;   // command it runs; empty for menus
    bool enabledAtStart;
    bool checkedAtStart = false;
};

std::span<const ComponentDef> commandComponents();
const ComponentDef* findComponent(std::string_view name);

}  // namespace otdr
