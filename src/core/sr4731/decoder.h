#pragma once
// Decodes an SR-4731 trace file of any instrument, either revision, into a Document.
//
// The Map is read first; every declared size is checked against the bytes present. A file is
// refused only when its Map cannot be read or a block the decoder interprets breaks its
// layout; the message names the block, its file offset and what was wrong. Everything else a
// real file may hold is read past and recorded in Document::warnings: a block that runs past
// the end of the file (read as far as it goes, a DataPts block giving the points present),
// unknown blocks (kept raw), zero-size blocks (read as absent), a body that does not start
// with its name, a last text without its terminating zero, point counts that disagree.
// The checksum is verified separately and never refuses a file.

#include "sr4731/document.h"
#include "util/bytes.h"
#include "util/result.h"

namespace otdr::sr4731 {

struct DecodeOptions {
    // The points of DataPts and the bodies of the blocks the decoder does not interpret. Without
    // them only their counts are kept (ScaleGroup::presentPoints, OtherBlock::size): what a
    // listing of the file needs, without copying most of its bytes.
    bool contents = true;
};

Result<Document> decode(ByteView file, const DecodeOptions& options = {});

// The checksum status of a file whose Cksum field (two bytes, little-endian) lies at
// fieldOffset inside a block starting at blockOffset; the conventions are tried in the order
// of kAllConventions. A stored 0 that matches none reads as absent (never computed).
Checksum verifyChecksum(ByteView file, std::size_t blockOffset, std::size_t fieldOffset);

}  // namespace otdr::sr4731
