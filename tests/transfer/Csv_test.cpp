// The reader over the quirks of real exports, and the writer against it.
#include "transfer/Csv.h"

#include <gtest/gtest.h>

using qm::transfer::CsvError;
using qm::transfer::Escape;
using qm::transfer::ReadCsv;
using Rows = std::vector<std::vector<std::string>>;

namespace {

Rows fields(const std::string& text, Escape escape = Escape::Doubled) {
    Rows rows;
    for (auto& r : ReadCsv(text, escape)) rows.push_back(r.fields);
    return rows;
}

}  // namespace

TEST(CsvReader, ReadsTheQuirksOfRealExports) {
    struct Row {
        const char* text;
        Escape escape;
        Rows rows;
    };
    const Escape D = Escape::Doubled, B = Escape::Backslash;
    const Row rows[] = {
        {"a,b\r\nc,d\r\n", D, {{"a", "b"}, {"c", "d"}}},                        // CRLF, final newline
        {"a,b\nc,d", D, {{"a", "b"}, {"c", "d"}}},                              // LF, none at the end (Firefox)
        {"a,b\rc,d\r", D, {{"a", "b"}, {"c", "d"}}},                            // bare CR
        {"\"a\"\"b\",\"c,d\"\n", D, {{"a\"b", "c,d"}}},                          // doubled quote, comma inside
        {"\"line1\r\nline2\",x\n", D, {{"line1\r\nline2", "x"}}},                // line break inside quotes
        {"\"l1\nl2\",x\r\ny,z", D, {{"l1\nl2", "x"}, {"y", "z"}}},               // mixed LF and CRLF
        {"a,,\"\",b\n", D, {{"a", "", "", "b"}}},                               // empty vs "" (Firefox null)
        {"a,b\n\n\r\n,,\n", D, {{"a", "b"}}},                                   // trailing empty lines, blank rows
        {"a,b,\n", D, {{"a", "b", ""}}},                                         // a last empty field
        {"ab\"c,d\n", D, {{"ab\"c", "d"}}},                                      // a quote inside an unquoted field
        {"\"x\\\"y\",\"a\\\\b\"\n", B, {{"x\"y", "a\\b"}}},                      // KeePass 2 escapes
        {"\"9KV\\p{v6\",\"x\"\n", B, {{"9KV\\p{v6", "x"}}},                     // a lone backslash stays
        {"\"S\"\"d\"\n", B, {{"S\"d"}}},                                         // doubled quotes in KeePass 2 too
        {"中文,😀\n", D, {{"中文", "😀"}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(fields(r.text, r.escape), r.rows);
    }
}

TEST(CsvReader, FaultsNameTheirLine) {
    const std::pair<const char*, size_t> rows[] = {
        {"a,b\n\"open,c\nd,e\n", 2},            // a quote never closed: the line it opened on
        {"a,b\n\"x\"y,c\n", 2},                 // text after a closing quote
        {"a\n\"l1\nl2\"\"\",\"q\"z\n", 3},      // counted across a quoted line break
        {"\"x\\\"y\"\n", 1},                  // KeePass 2's escape read with doubling: the quote closes before y
    };
    for (const auto& [text, line] : rows) {
        SCOPED_TRACE(text);
        try {
            ReadCsv(text);
            ADD_FAILURE() << "read without a fault";
        } catch (const CsvError& e) {
            EXPECT_EQ(e.Line, line);
        }
    }
}

TEST(CsvWriter, WhatItWritesReadsBackExactly) {
    const std::vector<std::string> values = {"", "plain", "a,b", "say \"hi\"", "l1\r\nl2", "l1\nl2", " lead", "trail\t",
                                             "=1+2", "+86", "中文,😀", "\"", ",", "\\\"", "-@x"};
    std::string text;
    for (const std::string& v : values) {
        qm::transfer::AppendCsvField(text, "k");
        text += ',';
        qm::transfer::AppendCsvField(text, v);
        text += "\r\n";
    }
    const auto rows = ReadCsv(text);
    ASSERT_EQ(rows.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(rows[i].fields, (std::vector<std::string>{"k", values[i]}));
}

TEST(CsvWriter, QuotesAFieldWhoseEndsAnImporterWouldTrim) {
    // What C's isspace, Python's and Java's strip, .NET's Trim and JavaScript's trim take off.
    const std::string blanks[] = {" ", "\t", "\v", "\f", "\x1f", "\u0085", "\u00a0", "\u1680", "\u2003", "\u200b",
                                  "\u2028", "\u202f", "\u205f", "\u3000", "\ufeff"};
    for (const std::string& blank : blanks)
        for (const std::string& value : {blank + "pw", "pw" + blank, blank}) {
            SCOPED_TRACE(::testing::PrintToString(value));
            std::string out;
            qm::transfer::AppendCsvField(out, value);
            EXPECT_EQ(out, "\"" + value + "\"");
        }
    // Inner blanks and characters near the blanks are nothing to trim.
    for (const std::string value : {"p w", "中文", "x\u00e9", "\u2010x\u200c", "a\u3000b"}) {
        std::string out;
        qm::transfer::AppendCsvField(out, value);
        EXPECT_EQ(out, value);
    }
}
