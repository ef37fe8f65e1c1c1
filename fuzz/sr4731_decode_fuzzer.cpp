// libFuzzer harness of the general SR-4731 decoder. Any input must decode or be refused
// without a crash, hang or sanitizer report. A decoded file must also survive a round trip:
// written back by the encoder it decodes again, and writing that gives the same bytes (so
// the decoder keeps every field it reads). The traces and the texts of a decoded file are
// derived as the commands derive them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sr4731/decoder.h"
#include "sr4731/encoder.h"
#include "sr4731/texts.h"
#include "sr4731/trace.h"

using namespace otdr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = sr4731::decode(ByteView(data, size));
    if (!decoded) return 0;
    const sr4731::Document& doc = decoded.value();

    auto traces = sr4731::tracesOf(doc);
    if (traces)
        for (const sr4731::Trace& t : traces.value())
            if (!t.levelsDb.empty() && !(t.spacingMetres > 0)) std::abort();
    const sr4731::CodePage page = sr4731::codePageOf(doc);
    if (doc.general) {
        (void)sr4731::textToUtf8(doc.general->cableId, page);
        (void)sr4731::textToUtf8(doc.general->comment, page);
    }
    for (const sr4731::BlockEntry& b : doc.blocks) (void)sr4731::textToUtf8(b.name, page);

    const Bytes written = sr4731::encode(doc);
    auto again = sr4731::decode(written);
    if (!again) std::abort();
    if (sr4731::encode(again.value()) != written) std::abort();
    return 0;
}
