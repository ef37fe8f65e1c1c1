#pragma once
// Work over many files on all cores, with the output exactly as one worker would give it: each
// item's standard output and standard error text is written in the order of the items, as soon
// as every earlier item is written. Items run on threads when their work allows it, or in
// worker processes (forked before the work sets anything up) where it does not, as for Qt
// painting, which belongs to one GUI thread per process.

#include <cstddef>
#include <functional>
#include <string>

namespace otdr::cli {

class ProgressBar;

struct ItemResult {
    int status = 0;   // the item's exit status: 0, or the code it asks the run to end with
    std::string out;  // for standard output
    std::string err;  // for standard error
};

enum class Workers { Threads, Processes };

struct Batch {
    std::size_t count = 0;
    int jobs = 1;
    Workers workers = Workers::Threads;
    // Does item i; with Workers::Processes it runs in a worker process.
    std::function<ItemResult(std::size_t)> work;
    // Called in item order before the item's texts are written; it may change them. False
    // ends the run after this item (no later item is written).
    std::function<bool(std::size_t, ItemResult&)> accept;
    // The item's name for the message when its worker process dies.
    std::function<std::string(std::size_t)> name;
};

// Runs the batch; false when standard output could not be written (a closed pipe), which
// also ends the run early.
bool runBatch(const Batch& batch, ProgressBar& progress);

// Puts "label: " before every line of text, so each message of a run over many files says
// which file it is about.
std::string labelLines(const std::string& label, const std::string& text);

// The --jobs default: the number of cores.
int defaultJobs();

}  // namespace otdr::cli
