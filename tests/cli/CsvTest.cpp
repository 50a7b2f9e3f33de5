#include "cli/Csv.h"

#include <gtest/gtest.h>

using namespace quillmark::cli;

namespace {

TEST(Csv, WritesWhatSpreadsheetsReadBack)
{
    const std::vector<std::vector<std::string>> rows = {
        {"index", "name", "note"},
        {"0", "Mr.Mime", "plain"},
        {"1", "a,b", "say \"hi\""},
        {"2", "two\nlines", " 50% M 50% F "},
        {"3", "", "King\u2019s Rock"},
    };
    const auto csv = writeCsv(rows);
    EXPECT_EQ(csv, "\xEF\xBB\xBF" "index,name,note\r\n"
                   "0,Mr.Mime,plain\r\n"
                   "1,\"a,b\",\"say \"\"hi\"\"\"\r\n"
                   "2,\"two\nlines\",\" 50% M 50% F \"\r\n"
                   "3,,King\u2019s Rock\r\n");
    std::vector<CsvRecord> records;
    std::string error;
    ASSERT_TRUE(parseCsv(csv, records, error)) << error;
    ASSERT_EQ(records.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(records[r].fields, rows[r]) << r;
    // The record after a field with a line break starts two lines further down.
    EXPECT_EQ(records[3].line, 4);
    EXPECT_EQ(records[4].line, 6);
}

TEST(Csv, ReadsSheetsFromOtherTools)
{
    const struct {
        const char* what;
        std::string text;
        std::vector<std::vector<std::string>> fields;
    } cases[] = {
        {"LF and no BOM", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}},
        {"no final line end", "a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}},
        {"empty lines skipped", "a\r\n\r\n1\r\n\r\n", {{"a"}, {"1"}}},
        {"an empty last field", "a,b\n1,\n", {{"a", "b"}, {"1", ""}}},
        {"CR LF inside quotes", "a\n\"x\r\ny\"\n", {{"a"}, {"x\r\ny"}}},
    };
    for (const auto& c : cases) {
        std::vector<CsvRecord> records;
        std::string error;
        ASSERT_TRUE(parseCsv(c.text, records, error)) << c.what << ": " << error;
        std::vector<std::vector<std::string>> fields;
        for (const auto& record : records)
            fields.push_back(record.fields);
        EXPECT_EQ(fields, c.fields) << c.what;
    }
    std::vector<CsvRecord> records;
    std::string error;
    EXPECT_FALSE(parseCsv("a,b\n1,\"open\n2,3\n", records, error));
    EXPECT_EQ(error, "line 2: a quoted field is not closed");
}

// The separator is the one the header line uses most, outside quotes; a tie goes to
// the comma, then the semicolon.
TEST(Csv, SeparatorFromTheHeaderLine)
{
    const std::pair<const char*, char> rows[] = {
        {"index,hp", ','},           {"index;hp", ';'},         {"index\thp", '\t'},
        {"index", ','},              {"a;b,c", ','},            {"a\tb;c", ';'},
        {"a\tb\tc;d", '\t'},        {"a;b;c\td\te", ';'},     {"\"a,b,c\";d", ';'},
        {"\xEF\xBB\xBF" "a;b", ';'},   {"a;b\nc,d,e,f", ';'},    {"a\tb\r\nc;d;e", '\t'},
    };
    for (const auto& [header, separator] : rows)
        EXPECT_EQ(detectSeparator(header), separator) << header;
}

} // namespace
