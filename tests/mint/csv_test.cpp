#include "tools/mint/csv.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::vector<std::string>>;

Texts TextsOf(const std::vector<CsvRecord>& records)
{
    Texts texts;
    for (const CsvRecord& record : records) {
        texts.emplace_back();
        for (const CsvField& field : record.Fields)
            texts.back().push_back(field.Text);
    }
    return texts;
}

struct CsvCase {
    const char* Name;
    std::string Text;
    Texts Records;
    std::vector<int> RecordLines;
};

class CsvParseTest : public testing::TestWithParam<CsvCase> {};

TEST_P(CsvParseTest, SplitsRecordsAndFields)
{
    const CsvCase& c = GetParam();
    CsvSyntaxError error;
    const std::vector<CsvRecord> records = ParseCsv(c.Text, error);
    EXPECT_FALSE(error.Found) << error.Message;
    EXPECT_EQ(TextsOf(records), c.Records);
    std::vector<int> lines;
    for (const CsvRecord& record : records)
        lines.push_back(record.Line);
    EXPECT_EQ(lines, c.RecordLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvParseTest,
    testing::Values(
        CsvCase{"LineFeeds", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"CrLf", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"NoFinalLineBreak", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}, {1, 2}},
        CsvCase{"ByteOrderMark", "\xEF\xBB\xBF" "a,b\n", {{"a", "b"}}, {1}},
        CsvCase{"EmptyFields", ",x,\n", {{"", "x", ""}}, {1}},
        CsvCase{"BlankLine", "a\n\nb\n", {{"a"}, {""}, {"b"}}, {1, 2, 3}},
        CsvCase{"SpacesKept", " a , b \n", {{" a ", " b "}}, {1}},
        CsvCase{"QuotedComma", "\"a,b\",c\n", {{"a,b", "c"}}, {1}},
        CsvCase{"DoubledQuotes", "\"say \"\"hi\"\"\",\"\"\"\"\n", {{"say \"hi\"", "\""}}, {1}},
        CsvCase{"EmptyQuoted", "\"\",x\n", {{"", "x"}}, {1}},
        CsvCase{"LineBreakInQuotes", "\"a\nb\",c\nd\n", {{"a\nb", "c"}, {"d"}}, {1, 3}},
        CsvCase{"CrLfInQuotes", "\"a\r\nb\"\r\nd\r\n", {{"a\r\nb"}, {"d"}}, {1, 3}},
        CsvCase{"QuoteInsidePlainField", "a\"b,c\n", {{"a\"b", "c"}}, {1}},
        CsvCase{"LoneCarriageReturnStaysInField", "a\rb\n", {{"a\rb"}}, {1}}),
    [](const testing::TestParamInfo<CsvCase>& info) { return info.param.Name; });

TEST(CsvParseTest, FieldKnowsTheLineItStartsOn)
{
    CsvSyntaxError error;
    const std::vector<CsvRecord> records = ParseCsv("h\n\"x\ny\",\"z\n\",w\n", error);
    ASSERT_EQ(records.size(), 2u);
    const std::vector<CsvField>& fields = records[1].Fields;
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].Line, 2);
    EXPECT_EQ(fields[1].Line, 3);
    EXPECT_EQ(fields[2].Line, 4);
}

struct CsvErrorCase {
    const char* Name;
    std::string Text;
    int Line;
    int Column;
    const char* Message;
    std::size_t RecordsBefore;
};

class CsvErrorTest : public testing::TestWithParam<CsvErrorCase> {};

TEST_P(CsvErrorTest, ReportsWhereTheSyntaxBreaks)
{
    const CsvErrorCase& c = GetParam();
    CsvSyntaxError error;
    const std::vector<CsvRecord> records = ParseCsv(c.Text, error);
    ASSERT_TRUE(error.Found);
    EXPECT_EQ(error.Line, c.Line);
    EXPECT_EQ(error.Column, c.Column);
    EXPECT_EQ(error.Message, c.Message);
    EXPECT_EQ(records.size(), c.RecordsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvErrorTest,
    testing::Values(CsvErrorCase{"QuoteNeverClosed", "a,b\nc,\"d\ne\nf\n", 2, 1, "the quoted field is not closed", 1},
                    CsvErrorCase{"TextAfterClosingQuote", "a,b\n\"c\"x,d\n", 2, 0,
                                 "text follows the closing quote (write a quote inside a quoted field as \"\")", 1},
                    CsvErrorCase{"TextAfterMultiLineField", "\"a\nb\" ,c\n", 2, 0,
                                 "text follows the closing quote (write a quote inside a quoted field as \"\")", 0}),
    [](const testing::TestParamInfo<CsvErrorCase>& info) { return info.param.Name; });

}  // namespace
