#include "portfolio/ExcelSheet.h"

#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <bit>

namespace {

constexpr std::uint16_t kBofId = 0x0009;
constexpr std::uint16_t kFontId = 0x0031;
constexpr std::uint16_t kNumberId = 0x0003;
constexpr std::uint16_t kLabelId = 0x0004;
constexpr std::uint16_t kEofId = 0x000A;

constexpr std::uint16_t kBiffVersion = 0x0002;
constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::uint16_t kFontHeight = 200; // twentieths of a point
constexpr std::string_view kFontName = "Arial";
// Plain, bold, italic, underlined: fonts 0 to 3.
constexpr std::uint16_t kFontFlags[] = {0x0000, 0x0001, 0x0002, 0x0004};

constexpr std::uint8_t kFontBits = 0xC0; // bits 6 and 7 of attribute byte 1

// Records are collected and handed to the file in pieces of about this size.
constexpr std::size_t kFlushSize = 64 * 1024;

} // namespace

void BIFFRecord::writeUInt8(std::string& out, std::uint8_t value) {
    out += static_cast<char>(value);
}

void BIFFRecord::writeUInt16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void BIFFRecord::writeDouble(std::string& out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void BIFFRecord::writeHeader(std::string& out, std::uint16_t id, std::uint16_t length) {
    writeUInt16(out, id);
    writeUInt16(out, length);
}

void excelBOF::Write(std::string& out) const {
    writeHeader(out, kBofId, 4);
    writeUInt16(out, kBiffVersion);
    writeUInt16(out, kWorksheet);
}

void excelFONT::Write(std::string& out) const {
    writeHeader(out, kFontId, static_cast<std::uint16_t>(5 + kFontName.size()));
    writeUInt16(out, kFontHeight);
    writeUInt16(out, m_flags);
    writeUInt8(out, static_cast<std::uint8_t>(kFontName.size()));
    out += kFontName;
}

void excelNUMBER::Write(std::string& out) const {
    writeHeader(out, kNumberId, 15);
    writeUInt16(out, m_row);
    writeUInt16(out, m_column);
    for (const std::uint8_t b : m_attributes)
        writeUInt8(out, b);
    writeDouble(out, m_value);
}

excelLABEL::excelLABEL(std::uint16_t row, std::uint16_t column, const ExcelAttributes& attributes,
                       std::string_view utf8Text)
    : m_row(row), m_column(column), m_attributes(attributes), m_bytes(textcodec::utf8ToWindows1252(utf8Text)) {
    if (m_bytes.size() > kMaxBytes)
        m_bytes.resize(kMaxBytes);
}

void excelLABEL::Write(std::string& out) const {
    writeHeader(out, kLabelId, static_cast<std::uint16_t>(8 + m_bytes.size()));
    writeUInt16(out, m_row);
    writeUInt16(out, m_column);
    for (const std::uint8_t b : m_attributes)
        writeUInt8(out, b);
    writeUInt8(out, static_cast<std::uint8_t>(m_bytes.size()));
    out += m_bytes;
}

void excelEOF::Write(std::string& out) const {
    writeHeader(out, kEofId, 0);
}

void ExcelCell::SetNumber(double value) {
    m_type = Number;
    m_number = value;
}

void ExcelCell::SetText(const char* text) {
    m_type = Text;
    m_text = text ? text : "";
}

void ExcelCell::SetFont(int index) {
    if (index < 0 || index > 3)
        return;
    m_attributes[1] = static_cast<std::uint8_t>((m_attributes[1] & ~kFontBits) | (index << 6));
}

ExcelCell& ExcelSheet::Cell(unsigned row, unsigned column) {
    if (row > kLastRow || column > kLastColumn) {
        m_rowLimitReached = m_rowLimitReached || row > kLastRow;
        m_columnLimitReached = m_columnLimitReached || column > kLastColumn;
        m_outside = ExcelCell();
        return m_outside;
    }
    if (m_rows.size() <= row)
        m_rows.resize(row + 1);
    auto& cells = m_rows[row];
    if (cells.size() <= column)
        cells.resize(column + 1);
    return cells[column];
}

ExcelWriteResult ExcelSheet::Write(AtomicFileWriter& file) const {
    ExcelWriteResult result;
    result.rowLimitReached = m_rowLimitReached;
    result.columnLimitReached = m_columnLimitReached;

    std::string buffer;
    bool ok = true;
    const auto flush = [&](bool always) {
        if (ok && (always || buffer.size() >= kFlushSize)) {
            ok = file.write(buffer);
            buffer.clear();
        }
    };

    excelBOF().Write(buffer);
    for (const std::uint16_t flags : kFontFlags)
        excelFONT(flags).Write(buffer);

    // All numbers first, then all texts, each in row order and within a row in column order.
    for (const auto type : {ExcelCell::Number, ExcelCell::Text}) {
        for (std::size_t r = 0; r < m_rows.size() && ok; ++r) {
            const auto& cells = m_rows[r];
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const ExcelCell& cell = cells[c];
                if (cell.type() != type)
                    continue;
                const auto row = static_cast<std::uint16_t>(r);
                const auto column = static_cast<std::uint16_t>(c);
                if (type == ExcelCell::Number)
                    excelNUMBER(row, column, cell.attributes(), cell.number()).Write(buffer);
                else
                    excelLABEL(row, column, cell.attributes(), cell.text()).Write(buffer);
            }
            flush(false);
        }
    }
    excelEOF().Write(buffer);
    flush(true);

    // After a failed write, commit() discards the temporary file and keeps the reason.
    if (!file.commit()) {
        result.error = file.errorText();
        return result;
    }
    result.status =
        m_rowLimitReached || m_columnLimitReached ? ExcelWriteResult::Status::Cut : ExcelWriteResult::Status::Written;
    return result;
}

ExcelWriteResult ExcelSheet::Write(const std::filesystem::path& path) const {
    AtomicFileWriter file(path);
    if (!file.open()) {
        ExcelWriteResult result;
        result.rowLimitReached = m_rowLimitReached;
        result.columnLimitReached = m_columnLimitReached;
        result.error = file.errorText();
        return result;
    }
    return Write(file);
}
