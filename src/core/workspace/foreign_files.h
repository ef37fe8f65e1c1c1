#pragma once
// Trace files of other instruments as the workspace and the command line meet them: reading
// one for the import offer (who made it), and the events any trace file holds itself.

#include <string>
#include <vector>

#include "analysis/found_events.h"
#include "sr4731/document.h"
#include "trace/zt_format.h"
#include "util/result.h"

namespace otdr {

struct ForeignFile {
    sr4731::Document doc;
    std::string maker;       // UTF-8, as the file names it; empty when it names none
    std::string instrument;  // the mainframe, else the optical module; empty when neither
};

// Reads and decodes an SR-4731 file of any instrument; refused when it does not decode or
// holds no trace (the message says why).
Result<ForeignFile> readForeignFile(const std::string& path);
// The same for a file's bytes already read.
Result<ForeignFile> foreignFileOf(ByteView bytes);

// The events a trace file holds itself, in file order: the KeyEvents of an SR-4731 file of any
// instrument (none in the instrument's own SOR layout), the event records of a ZT file
// written with events. Refused, with the open command's message, for a file that is neither.
Result<std::vector<FoundEvent>> storedEventsOfFile(const std::string& path);

// The events of ZT event records: the distance in 0.1 m, the code's type ("2E" the fibre
// end, "1F" reflective), the average and splice loss, the return loss as a reflectance and
// the link loss; a zero average loss, return loss or link loss is one the table left blank.
std::vector<FoundEvent> foundEventsOfZt(const std::vector<ZtEventRecord>& records);

}  // namespace otdr
