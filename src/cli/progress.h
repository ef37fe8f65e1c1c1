#pragma once
// A one-line progress bar on standard error for runs over many files:
//    37/300 [#####...............]  1523 个/秒  剩余 0:01
// It is drawn only when standard error is a terminal, is redrawn at most ten times a second,
// steps aside (clears its line) while other output is written, and is erased at the end, so
// the terminal keeps only the normal output.

#include <chrono>
#include <cstddef>
#include <string>

namespace otdr::cli {

class ProgressBar {
  public:
    // Runs over fewer files than this finish too soon to need a bar.
    static constexpr std::size_t kMinFiles = 5;

    // wanted: false for --quiet.
    ProgressBar(std::size_t total, bool wanted);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    bool shown() const { return shown_; }
    // done items out of the total; redraws when the last drawing is old enough or all are done.
    void advance(std::size_t done);
    // Clears the line before other output reaches the terminal.
    void suspend();
    // Draws the line again after such output.
    void resume();
    // Erases the line for good.
    void finish();

    // The line for done of total items after the given seconds, fitted to the given columns.
    static std::string line(std::size_t done, std::size_t total, double seconds, int columns);

  private:
    void draw();

    bool shown_ = false;
    bool drawn_ = false;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    std::size_t drawnDone_ = static_cast<std::size_t>(-1);
    int columns_ = 80;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace otdr::cli
