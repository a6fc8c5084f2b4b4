#pragma once
// Worksheet files in the BIFF2 record format: an in-memory sheet of number and text cells that is
// written in one go (beginning of file, four fonts, all numbers, all texts, end of file).
//
// The record format holds rows and columns in 16 bits and a worksheet has 256 columns, so a cell
// beyond row 65535 or column 255 is never stored: Cell() hands out a scratch cell for it and the
// sheet remembers that it was cut, which Write() reports. Texts are kept as UTF-8 and written in
// Windows-1252. Files are written through AtomicFileWriter, so a failed write leaves the previous
// file as it was.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class AtomicFileWriter;

// One record of the file: a 16-bit id, the 16-bit length of the data that follows, the data (all
// little-endian). Write() appends the record's bytes to `out`.
class BIFFRecord {
public:
    virtual ~BIFFRecord() = default;
    virtual void Write(std::string& out) const = 0;

protected:
    static void writeUInt8(std::string& out, std::uint8_t value);
    static void writeUInt16(std::string& out, std::uint16_t value);
    static void writeDouble(std::string& out, double value);
    static void writeHeader(std::string& out, std::uint16_t id, std::uint16_t length);
};

// The three attribute bytes of a cell record; byte 1 holds the font (bits 6-7) and format (bits 0-5).
using ExcelAttributes = std::array<std::uint8_t, 3>;

// Beginning of file: version 2, worksheet.
class excelBOF : public BIFFRecord {
public:
    void Write(std::string& out) const override;
};

// An "Arial" font of 10 points with the given attribute flags (1 bold, 2 italic, 4 underlined).
class excelFONT : public BIFFRecord {
public:
    explicit excelFONT(std::uint16_t flags) : m_flags(flags) {}
    void Write(std::string& out) const override;

private:
    std::uint16_t m_flags;
};

// A number cell.
class excelNUMBER : public BIFFRecord {
public:
    excelNUMBER(std::uint16_t row, std::uint16_t column, const ExcelAttributes& attributes, double value)
        : m_row(row), m_column(column), m_attributes(attributes), m_value(value) {}
    void Write(std::string& out) const override;

private:
    std::uint16_t m_row;
    std::uint16_t m_column;
    ExcelAttributes m_attributes;
    double m_value;
};

// A text cell. The UTF-8 text is encoded as Windows-1252 (a character the code page lacks becomes
// '?') and cut to the 255 bytes the length byte can count. Windows-1252 has one byte per
// character, so the cut always falls between characters.
class excelLABEL : public BIFFRecord {
public:
    static constexpr std::size_t kMaxBytes = 255;

    excelLABEL(std::uint16_t row, std::uint16_t column, const ExcelAttributes& attributes, std::string_view utf8Text);
    void Write(std::string& out) const override;

private:
    std::uint16_t m_row;
    std::uint16_t m_column;
    ExcelAttributes m_attributes;
    std::string m_bytes; // Windows-1252, at most kMaxBytes
};

// End of file.
class excelEOF : public BIFFRecord {
public:
    void Write(std::string& out) const override;
};

class ExcelCell {
public:
    enum Type : std::uint8_t { Empty = 0, Number = 1, Text = 2 };

    void SetNumber(double value);
    // A null text is taken as the empty text.
    void SetText(const char* text);
    // Font 0 plain, 1 bold, 2 italic, 3 underlined; other indexes leave the cell as it is.
    void SetFont(int index);

    Type type() const { return m_type; }
    double number() const { return m_number; }
    const std::string& text() const { return m_text; }
    const ExcelAttributes& attributes() const { return m_attributes; }

private:
    ExcelAttributes m_attributes{};
    std::string m_text;
    double m_number = 0.0;
    Type m_type = Empty;
};

// The outcome of ExcelSheet::Write.
struct ExcelWriteResult {
    enum class Status {
        Written, // the whole sheet is in the file
        Cut,     // the file is written, but cells beyond the last row or column were left out
        Failed,  // nothing was written; a previous file at the target is unchanged
    };
    Status status = Status::Failed;
    std::string error;               // Failed: why
    bool rowLimitReached = false;    // cells below row ExcelSheet::kLastRow were asked for and left out
    bool columnLimitReached = false; // cells right of column ExcelSheet::kLastColumn were asked for and left out

    bool ok() const { return status != Status::Failed; }
};

class ExcelSheet {
public:
    static constexpr unsigned kLastRow = 65535;
    static constexpr unsigned kLastColumn = 255;

    ExcelSheet() = default;

    // The cell at (row, column), counted from 0; rows and cells are appended as needed. Beyond
    // kLastRow or kLastColumn a scratch cell that is never written is returned and the sheet
    // notes that it was cut.
    ExcelCell& Cell(unsigned row, unsigned column);

    bool rowLimitReached() const { return m_rowLimitReached; }
    bool columnLimitReached() const { return m_columnLimitReached; }

    // Writes the sheet into `file`, which the caller has opened, and commits it (the file is then
    // closed). The sheet stays as it is.
    ExcelWriteResult Write(AtomicFileWriter& file) const;
    // The same into the file at `path`, created or, once complete, replacing the previous one.
    ExcelWriteResult Write(const std::filesystem::path& path) const;

private:
    std::vector<std::vector<ExcelCell>> m_rows;
    ExcelCell m_outside;
    bool m_rowLimitReached = false;
    bool m_columnLimitReached = false;
};
