#pragma once
// Comma-separated text as the password managers and browsers write it, and
// as our own export writes it. A field may be quoted; inside quotes a quote
// is doubled, except in KeePass 2's files, which escape it with a backslash.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Wiped.h"

namespace qm::transfer {

enum class Escape {
    Doubled,    // "" stands for one quote
    Backslash,  // \" and \\ stand for a quote and a backslash ("" is still taken as a quote)
};

struct CsvRow {
    size_t line = 0;  // the line the record starts on, from 1
    std::vector<std::string> fields;
};

// Why a text cannot be read as records; `line` is where the fault is.
class CsvError : public std::runtime_error {
public:
    CsvError(size_t line, const std::string& why) : std::runtime_error(why), Line(line) {}
    size_t Line;
};

// The most fields a record may have: more than any exporter writes. A line
// of nothing but commas would otherwise take far more memory than its bytes.
inline constexpr size_t kMaxCsvFields = 1000;
// The most fields a whole file may have: twenty columns of 200,000 accounts.
// Many rows of empty fields would otherwise take some thirty times their bytes.
inline constexpr size_t kMaxCsvCells = 4'000'000;

// Reads the records of `text` (UTF-8). Records end with CRLF, LF or CR, the
// last one also with the end of the text; lines that hold nothing, or only
// separators, are left out. A quote that is never closed, and anything but a
// separator or a line's end right after a closing quote, are faults: such a
// file would otherwise shift its columns without a word. A quote inside an
// unquoted field is taken as it stands. A record of more than kMaxCsvFields
// fields, and a file of more than kMaxCsvCells, are faults too.
std::vector<CsvRow> ReadCsv(std::string_view text, Escape escape = Escape::Doubled);

// Only the first record (the header), read with doubled quotes; an empty row
// for an empty text.
CsvRow ReadFirstRecord(std::string_view text);

// Appends one field exactly as it is, quoted when it holds a comma, a quote
// or a line break, or begins or ends with a character that an importer
// trimming its fields would cut off (any space, tab or other blank, as
// Unicode counts them), with its quotes doubled.
void AppendCsvField(std::string& out, std::string_view value);
void AppendCsvField(platform::WipingString& out, std::string_view value);

}  // namespace qm::transfer
