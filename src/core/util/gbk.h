#pragma once
// Trace files store their texts in the GBK code page. The core keeps such texts as the file's
// bytes and converts only at the edges: widgets, JSON/CSV output, the settings file.

#include <cstddef>
#include <string>
#include <string_view>

namespace otdr {

// Unconvertible characters become '?'.
std::string utf8ToGbk(std::string_view utf8);
// Invalid byte sequences become U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

// The first bytes of a GBK text that fit in maxBytes without splitting a character.
std::string gbkPrefix(std::string_view gbk, std::size_t maxBytes);

}  // namespace otdr
