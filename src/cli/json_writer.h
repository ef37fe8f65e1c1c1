#pragma once
// JSON written as it is produced, into a string, in exactly the form nlohmann::json's
// dump(2, ' ', false, error_handler_t::replace) gives the same tree: two spaces a level,
// "key": value, empty containers as {} and [], numbers as nlohmann prints them (doubles in
// its shortest round-trip form, NaN and infinity as null), strings with ", \ and the control
// characters escaped and every byte sequence that is not valid UTF-8 replaced by U+FFFD, one
// for each maximal invalid part, as nlohmann replaces it. For outputs too large to build as a
// tree first: no allocation beyond the string's own.
//
// Values are added in document order: in an object, key() before each value; begin...() and
// end...() must pair up.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace otdr::cli {

class JsonWriter {
  public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    // The key of the next value, in an object.
    void key(std::string_view name);

    void value(std::string_view s);
    void value(const char* s) { value(std::string_view(s)); }
    void value(const std::string& s) { value(std::string_view(s)); }
    void value(std::nullptr_t);
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
    void field(std::string_view name, const T& v) {
        key(name);
        value(v);
    }

  private:
    void open(char bracket);
    void close(char bracket);
    // Before a value: the separator and indentation of an array element (after a key there is
    // none).
    void element();
    void signedValue(std::int64_t v);
    void unsignedValue(std::uint64_t v);

    std::string& out_;
    int depth_ = 0;
    bool empty_ = true;      // nothing in the innermost container yet
    bool afterKey_ = false;  // the next value follows its key
};

// s as a JSON string body (without the quotes), appended to out as the writer writes it.
void appendJsonEscaped(std::string& out, std::string_view s);

}  // namespace otdr::cli
