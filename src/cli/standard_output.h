#pragma once
// Standard output checked like a file: std::cout writes through a buffer of its own to
// descriptor 1, every write is checked, and the first failure is kept with its cause. After a
// failure the stream is bad and later output is dropped, so a command can stop early.

#include <string>

namespace otdr::cli {

// Puts the checked buffer under std::cout. Called once, first thing in main.
void checkStandardOutput();

// Writes what is buffered and closes standard output; 0 when every byte was written, else the
// errno value of the first failure.
int finishStandardOutput();

// The errno value of the first failed write so far, 0 while none failed.
int standardOutputError();

// The message for a failed standard output: "otdr CMD: 无法写入标准输出：磁盘已满".
std::string standardOutputMessage(const std::string& command, int err);

}  // namespace otdr::cli
