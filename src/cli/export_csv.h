#pragma once
// The CSV of otdr export: the traces of a file as distances and levels, read as the window
// reads the instrument's own files and by the general decoder otherwise, and written in pieces
// so that no file, whatever it declares, makes the output grow in memory.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace otdr::cli {

struct CsvColumn {
    std::size_t trace = 0;  // which trace of the file, from 0
    double spacingKm = 0;
    std::vector<double> levelsDb;
};

struct CsvTable {
    std::vector<CsvColumn> columns;  // the traces that hold points
    std::size_t traces = 1;          // how many traces the file holds, empty ones too
};

// The table of a file. False when it cannot be read; `errors` then holds the lines for
// standard error, escaped for the terminal.
bool exportTable(const std::string& path, CsvTable& table, std::string& errors);

// Where the CSV goes, a piece at a time; false once it cannot take more.
using CsvSink = std::function<bool(std::string_view)>;

// Writes a header line and one line per point; the column pairs are numbered by their trace
// when the file holds several traces. False when the sink refused a piece.
bool writeCsv(const CsvTable& table, const CsvSink& sink);

}  // namespace otdr::cli
