#pragma once
// Single-byte code pages of other instruments' files, decoded by table: Windows-1251
// (Cyrillic) and Latin-1. GBK stays in util/gbk.h. Every function accepts any bytes.

#include <string>
#include <string_view>

namespace otdr {

// True when the bytes form well-formed UTF-8 (no overlong forms, no surrogates, at most
// U+10FFFF). Pure ASCII is valid UTF-8.
bool isValidUtf8(std::string_view bytes);

// Windows-1251 bytes as UTF-8; the one unassigned byte (0x98) becomes U+FFFD.
std::string windows1251ToUtf8(std::string_view bytes);

// Latin-1 (ISO 8859-1) bytes as UTF-8: every byte is the code point of the same value.
std::string latin1ToUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

}  // namespace otdr
