#pragma once
// JSON written as it is produced, in exactly the form nlohmann::json's dump(2, ' ', false,
// error_handler_t::replace) gives the same tree: two spaces a level, "key": value, empty
// containers as {} and [], numbers as nlohmann prints them (doubles in its shortest round-trip
// form, NaN and infinity as null), strings with ", \ and the control characters escaped and
// every byte sequence that is not valid UTF-8 replaced by U+FFFD, one for each maximal invalid
// part, as nlohmann replaces it. For outputs too large to build as a tree first: one buffer,
// grown as needed, and each piece written into it in one go.
//
// Values are added in document order: in an object, key() before each value; begin...() and
// end...() must pair up.

#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

namespace otdr::cli {

// A key written as it is: a literal of printable ASCII without " and \, which the compiler
// checks, so that no key is scanned for escapes at run time.
class JsonKey {
  public:
    template <std::size_t N>
    consteval JsonKey(const char (&name)[N])  // NOLINT: literals convert
        : name_(name, N - 1) {
        for (char c : name_)
            if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') throw "a key with escapes";
    }
    std::string_view name() const { return name_; }

  private:
    std::string_view name_;
};

class JsonWriter {
  public:
    // capacity: the bytes reserved at first; the buffer grows beyond as needed.
    explicit JsonWriter(std::size_t capacity = 4096);

    // Everything written so far.
    std::string_view text() const { return {buf_.get(), size_}; }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    // The key of the next value, in an object.
    void key(JsonKey name);

    void value(std::string_view s);
    void value(const char* s) { value(std::string_view(s)); }
    void value(std::nullptr_t) { piece("null", 4); }
    void value(double v);
    template <class Int>
    requires(std::is_integral_v<Int> && !std::is_same_v<Int, bool>) void value(Int v) {
        if constexpr (std::is_signed_v<Int>)
            signedValue(v);
        else
            unsignedValue(v);
    }

    // key(name) and value(v).
    template <class T>
    void field(JsonKey name, const T& v) {
        key(name);
        value(v);
    }

  private:
    void open(char bracket);
    void close(char bracket);
    void signedValue(std::int64_t v);
    void unsignedValue(std::uint64_t v);
    // The separator and indentation of an element (none after a key), then n bytes of text.
    void piece(const char* text, std::size_t n);
    // The separator and indentation written at p, which has breakRoom() bytes; the end.
    char* breakAt(char* p);
    std::size_t breakRoom() const;
    // Where n more bytes may be written.
    char* room(std::size_t n) { return capacity_ - size_ >= n ? buf_.get() + size_ : grow(n); }
    char* grow(std::size_t n);
    void setEnd(const char* end) { size_ = static_cast<std::size_t>(end - buf_.get()); }
    // s escaped, at p, which has 6 bytes for each of s; the end.
    static char* escaped(char* p, std::string_view s);

    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    int depth_ = 0;
    bool empty_ = true;      // nothing in the innermost container yet
    bool afterKey_ = false;  // the next value follows its key
};

}  // namespace otdr::cli
