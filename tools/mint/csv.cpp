#include "tools/mint/csv.h"

namespace {

const std::string ByteOrderMark = "\xEF\xBB\xBF";

class CsvReader {
public:
    CsvReader(const std::string& text, CsvSyntaxError& error) : text_(text), error_(error)
    {
        if (text_.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0)
            pos_ = ByteOrderMark.size();
    }

    std::vector<CsvRecord> ReadAll()
    {
        std::vector<CsvRecord> records;
        while (pos_ < text_.size() && !error_.Found) {
            CsvRecord record;
            record.Line = line_;
            ReadRecord(record);
            records.push_back(record);
        }
        if (error_.Found)
            records.pop_back();
        return records;
    }

private:
    bool AtRecordEnd() const
    {
        return pos_ >= text_.size() || text_[pos_] == '\n' || text_.compare(pos_, 2, "\r\n") == 0;
    }

    void SkipRecordEnd()
    {
        if (pos_ < text_.size() && text_[pos_] == '\r')
            ++pos_;
        if (pos_ < text_.size()) {
            ++pos_;
            ++line_;
        }
    }

    void ReadRecord(CsvRecord& record)
    {
        for (;;) {
            CsvField field;
            field.Line = line_;
            const int column = static_cast<int>(record.Fields.size());
            if (pos_ < text_.size() && text_[pos_] == '"')
                ReadQuoted(field, column);
            else
                ReadPlain(field);
            record.Fields.push_back(field);
            if (error_.Found || AtRecordEnd())
                break;
            ++pos_;  // the comma
        }
        SkipRecordEnd();
    }

    void ReadPlain(CsvField& field)
    {
        while (!AtRecordEnd() && text_[pos_] != ',')
            field.Text += text_[pos_++];
    }

    void ReadQuoted(CsvField& field, int column)
    {
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size())
                return Fail(field.Line, column, "the quoted field is not closed");
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    field.Text += '"';
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c == '\n')
                ++line_;
            field.Text += c;
        }
        if (!AtRecordEnd() && text_[pos_] != ',')
            Fail(line_, column, "text follows the closing quote (write a quote inside a quoted field as \"\")");
    }

    void Fail(int line, int column, const std::string& message)
    {
        error_.Found = true;
        error_.Line = line;
        error_.Column = column;
        error_.Message = message;
    }

    const std::string& text_;
    CsvSyntaxError& error_;
    std::string::size_type pos_ = 0;
    int line_ = 1;
};

}  // namespace

std::vector<CsvRecord> ParseCsv(const std::string& text, CsvSyntaxError& error)
{
    error = CsvSyntaxError{};
    return CsvReader(text, error).ReadAll();
}
