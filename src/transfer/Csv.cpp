#include "transfer/Csv.h"

#include "text/utf.h"

namespace qm::transfer {

namespace {

class Reader {
public:
    Reader(std::string_view text, Escape escape) : s_(text), escape_(escape) {}

    bool AtEnd() const { return pos_ >= s_.size(); }

    // Passes the empty lines ahead: a file of blank lines makes no records to throw away.
    void SkipEmptyLines() {
        while (!AtEnd() && (s_[pos_] == '\r' || s_[pos_] == '\n')) endOfLine();
    }

    // One record from the current position; the position moves past its end.
    CsvRow Next() {
        CsvRow row;
        row.line = line_;
        for (;;) {
            row.fields.emplace_back();
            std::string& field = row.fields.back();
            if (!AtEnd() && s_[pos_] == '"') quoted(field);
            else unquoted(field);
            if (!AtEnd() && s_[pos_] == ',') {
                if (row.fields.size() == kMaxCsvFields)
                    throw CsvError(row.line, "这一行超过 " + std::to_string(kMaxCsvFields) + " 列,不像是导出的帐号表格");
                ++pos_;
                continue;
            }
            endOfLine();
            return row;
        }
    }

private:
    void unquoted(std::string& field) {
        const size_t start = pos_;
        while (!AtEnd() && s_[pos_] != ',' && s_[pos_] != '\r' && s_[pos_] != '\n') ++pos_;
        field.assign(s_.substr(start, pos_ - start));
    }

    void quoted(std::string& field) {
        const size_t opened = line_;
        ++pos_;
        for (;;) {
            if (AtEnd()) throw CsvError(opened, "引号没有结束");
            // Copy the run of ordinary characters in one piece.
            size_t run = pos_;
            while (run < s_.size() && s_[run] != '"' && s_[run] != '\\' && s_[run] != '\n') ++run;
            field.append(s_.substr(pos_, run - pos_));
            pos_ = run;
            if (AtEnd()) continue;
            const char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                field += c;
                ++pos_;
            } else if (c == '\\') {
                const char next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
                if (escape_ == Escape::Backslash && (next == '"' || next == '\\')) {
                    field += next;
                    pos_ += 2;
                } else {
                    field += c;
                    ++pos_;
                }
            } else if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
                field += '"';
                pos_ += 2;
            } else {
                ++pos_;
                break;
            }
        }
        if (!AtEnd() && s_[pos_] != ',' && s_[pos_] != '\r' && s_[pos_] != '\n')
            throw CsvError(line_, "引号结束后还有多余的字符");
    }

    void endOfLine() {
        if (AtEnd()) return;
        if (s_[pos_] == '\r') ++pos_;
        if (!AtEnd() && s_[pos_] == '\n') ++pos_;
        ++line_;
    }

    std::string_view s_;
    Escape escape_;
    size_t pos_ = 0;
    size_t line_ = 1;
};

bool blank(const CsvRow& row) {
    for (const std::string& f : row.fields)
        if (!f.empty()) return false;
    return true;
}

}  // namespace

std::vector<CsvRow> ReadCsv(std::string_view text, Escape escape) {
    std::vector<CsvRow> rows;
    Reader reader(text, escape);
    size_t cells = 0;
    for (reader.SkipEmptyLines(); !reader.AtEnd(); reader.SkipEmptyLines()) {
        CsvRow row = reader.Next();
        if (blank(row)) continue;
        cells += row.fields.size();
        if (cells > kMaxCsvCells)
            throw CsvError(row.line, "整个文件超过 " + std::to_string(kMaxCsvCells / 10000) + " 万个单元格,不像是导出的帐号表格");
        rows.push_back(std::move(row));
    }
    return rows;
}

CsvRow ReadFirstRecord(std::string_view text) {
    Reader reader(text, Escape::Doubled);
    while (!reader.AtEnd()) {
        CsvRow row = reader.Next();
        if (!blank(row)) return row;
    }
    return {};
}

namespace {

// What the trimming functions of common importers take for blank:
// C's isspace, the information separators Python and Java trim, Unicode's
// White_Space, and the marks .NET and JavaScript trim besides.
bool trimmedAway(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           c == 0x180E || (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000 || c == 0xFEFF;
}

bool needsQuotes(std::string_view value) {
    if (value.find_first_of(",\"\r\n") != std::string_view::npos) return true;
    if (value.empty()) return false;
    size_t pos = 0;
    if (trimmedAway(text::NextCodePoint(value, pos))) return true;
    size_t last = value.size() - 1;
    while (last > 0 && value.size() - last < 4 && (static_cast<unsigned char>(value[last]) & 0xC0) == 0x80) --last;
    return trimmedAway(text::NextCodePoint(value, last));
}

template <class Out>
void appendField(Out& out, std::string_view value) {
    if (!needsQuotes(value)) {
        out.append(value);
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view value) { appendField(out, value); }
void AppendCsvField(platform::WipingString& out, std::string_view value) { appendField(out, value); }

}  // namespace qm::transfer
