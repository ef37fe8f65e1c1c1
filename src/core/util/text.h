#pragma once
// Small text helpers for byte strings (GBK or ASCII). A "blank" is any byte up to 0x20, as in
// the instrument's own trimming; GBK multi-byte characters never contain such bytes.

#include <string>
#include <string_view>

namespace otdr {

inline bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

inline std::string_view trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}
inline std::string trimmed(std::string_view s) {
    return std::string(trimBlanks(s));
}

inline std::string trimmedLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && isBlank(s[b])) ++b;
    return std::string(s.substr(b));
}

// Removes every space character.
inline std::string withoutSpaces(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out.push_back(c);
    return out;
}

// Pads with blanks on the right up to n characters; longer texts stay as they are.
inline std::string padRight(std::string_view s, std::size_t n) {
    std::string out(s);
    if (out.size() < n) out.append(n - out.size(), ' ');
    return out;
}

inline std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
inline std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The extension of a file name from its last point on, point included, in lower case; empty
// when the name has none (a point in a folder name does not count).
inline std::string lowerExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return lowerAscii(std::string(path.substr(dot)));
}

inline bool contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

}  // namespace otdr
