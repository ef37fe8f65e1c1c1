#pragma once
// Writes a Document as an SR-4731 file of its revision: the generator of test files of
// other instruments' layouts (both revisions, any block order, zero-size and unknown blocks,
// trailing bytes, any checksum convention). Decoding the result gives the document back.

#include <optional>

#include "sr4731/document.h"
#include "util/bytes.h"

namespace otdr::sr4731 {

struct EncodeOptions {
    // How the Cksum value is computed.
    ChecksumConvention convention = ChecksumConvention::CcittFalseBeforeBlock;
    // A value stored instead of the computed one: 0 as written by an instrument that computes
    // none, anything else for a damaged file.
    std::optional<std::uint16_t> storedChecksum;
};

// The Map is built from doc.blocks after its first entry (names and revisions as given;
// sizes and offsets are computed; the first entry gives the Map's own revision). Each block
// is written from the document's value of its kind; a kind whose value is absent is written
// with size 0. Blocks of other names take doc.others in turn (their bytes as the body after
// the name). In issue 2 each body starts with its Map name without trailing blanks.
// doc.trailing follows the last block.
Bytes encode(const Document& doc, const EncodeOptions& options = {});

}  // namespace otdr::sr4731
