#pragma once
// The texts of the event table: the five measured cells (ASCII, at most 11 characters), the
// type names, the grid header and the copy-window event list.

#include <array>
#include <string>
#include <string_view>

#include "analysis/event_table.h"

namespace otdr {

// Longest text a cell holds (12-byte cells with their terminator).
constexpr std::size_t kCellChars = 11;

constexpr std::string_view kReflectiveName = "反射事件";
constexpr std::string_view kNonReflectiveName = "非反射事件";
constexpr std::string_view kFibreEndName = "光纤末端";
constexpr std::string_view kNoValueCell = "--------";

// Grid header row, columns 0..6.
extern const std::array<std::string_view, 7> kEventGridHeader;
// First line of the copy-window event list.
extern const std::string_view kCopyEventHeader;

// One number formatted into a cell ("%8.3f" and the like), cut to the cell size.
std::string cellNumber(const char* fmt, double v);

// Average-loss cell: capped (">%5.3f" of the cap), floored ("<%5.3f" of the floor) or
// "%6.3f" of a. The bounds depend on the wavelength class and compare as 32-bit floats.
std::string averageLossCell(double a, int wavelengthClass);

// Type of event r (1-based) of a table of n events: the last is the fibre end, the others are
// named by their reflective flag.
std::string_view eventTypeName(const EventTable& t, int r);

// One copy-window line: number, five blanks, type, one blank and the five cells with their
// fixed gaps.
std::string copyEventLine(int r, std::string_view typeText, const EventText& text);

// The five cells with their fixed gaps (4, 11, 13 and 6 blanks), as both event lists use.
std::string copyEventCells(const EventText& text, int row);

}  // namespace otdr
