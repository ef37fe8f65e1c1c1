#pragma once
// Reading the fields of one block body, inside the decoder. Every read is checked against
// the end of the block; the first field that does not fit is recorded with its name and file
// offset, and every later read of the same cursor does nothing, so a block reader can read
// its fields in a row and test for failure once.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sr4731/document.h"
#include "util/bytes.h"

namespace otdr::sr4731::detail {

class BlockReader {
  public:
    // body: the block's bytes after its name; fileOffset: where body[0] lies in the file.
    BlockReader(std::string_view block, ByteView body, std::uint64_t fileOffset,
                std::vector<std::string>& warnings)
        : block_(block), body_(body), base_(fileOffset), warnings_(warnings) {}

    void u16(std::uint16_t& v, const char* field);
    void i16(std::int16_t& v, const char* field);
    void u32(std::uint32_t& v, const char* field);
    void i32(std::int32_t& v, const char* field);
    // A fixed number of bytes taken as a text.
    void fixedText(std::string& v, std::size_t n, const char* field);
    // A zero-terminated text. A text that runs to the block end without its zero is taken
    // as it is, and one that starts at the block end is empty (each with a warning), since
    // writers leave off the last texts of a block; a fixed field after it then fails.
    void text(std::string& v, const char* field);

    bool failed() const { return error_.has_value(); }
    const std::string& error() const { return *error_; }
    // Records a failure that is not a field overrun (an impossible count, say).
    void fail(std::string problem);

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return body_.size() - pos_; }
    std::uint64_t fileOffset() const { return base_ + pos_; }
    ByteView rest() const { return body_.subspan(pos_); }
    void skip(std::size_t n) { pos_ = n > remaining() ? body_.size() : pos_ + n; }
    void warn(const std::string& problem);

  private:
    bool take(std::size_t n, const char* field);

    std::string_view block_;
    ByteView body_;
    std::uint64_t base_;
    std::size_t pos_ = 0;
    std::optional<std::string> error_;
    std::vector<std::string>& warnings_;
};

// The block readers; each reads a whole body and returns false when it failed (the reader
// holds the reason).
bool readGeneralParams(BlockReader& r, int version, GeneralParams& g);
bool readSupplierParams(BlockReader& r, SupplierParams& s);
bool readFixedParams(BlockReader& r, int version, FixedParams& f);
bool readKeyEvents(BlockReader& r, int version, KeyEvents& k);
// keepPoints: copy the points, else only count them.
bool readDataPoints(BlockReader& r, DataPoints& d, bool keepPoints);

}  // namespace otdr::sr4731::detail
