// The worksheet writer: record bytes of small sheets, row and column limits, label encoding and
// cutting, failed writes.

#include "platform/AtomicFile.h"
#include "portfolio/ExcelSheet.h"
#include "support/TestEnv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (const unsigned v : values)
        out += static_cast<char>(v);
    return out;
}

std::string hex(const std::string& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// BOF and the four fonts, 8 + 4 x 14 = 64 bytes, which every file starts with.
const std::string kHead = bytes({
                              0x09, 0x00, 0x04, 0x00, 0x02, 0x00, 0x10, 0x00, // BOF, version 2, worksheet
                          }) +
                          bytes({0x31, 0x00, 0x0A, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x05}) + "Arial" + // plain
                          bytes({0x31, 0x00, 0x0A, 0x00, 0xC8, 0x00, 0x01, 0x00, 0x05}) + "Arial" + // bold
                          bytes({0x31, 0x00, 0x0A, 0x00, 0xC8, 0x00, 0x02, 0x00, 0x05}) + "Arial" + // italic
                          bytes({0x31, 0x00, 0x0A, 0x00, 0xC8, 0x00, 0x04, 0x00, 0x05}) + "Arial";  // underlined
const std::string kEof = bytes({0x0A, 0x00, 0x00, 0x00});

class WorksheetTest : public testsupport::TempDirTest {
protected:
    // Writes `sheet` to a new file and returns its bytes; the write must succeed.
    std::string written(const ExcelSheet& sheet,
                        ExcelWriteResult::Status expected = ExcelWriteResult::Status::Written) {
        const ExcelWriteResult result = sheet.Write(path("sheet.xls"));
        EXPECT_EQ(result.status, expected) << result.error;
        EXPECT_TRUE(result.ok());
        return testsupport::readFile(path("sheet.xls"));
    }
};

} // namespace

TEST_F(WorksheetTest, EmptySheetIsBofFourFontsAndEof) {
    ExcelSheet sheet;
    const std::string file = written(sheet);
    EXPECT_EQ(file.size(), 68u);
    EXPECT_EQ(hex(file), hex(kHead + kEof));
}

// Numbers come before texts although a text lies in an earlier row; within each kind, row order
// and then column order; cells asked for but never set write nothing.
TEST_F(WorksheetTest, SmallSheetFollowsTheRecordLayouts) {
    ExcelSheet sheet;
    sheet.Cell(1, 3).SetText("Date");
    sheet.Cell(1, 3).SetFont(1);
    sheet.Cell(2, 3).SetNumber(1.5);
    sheet.Cell(2, 3).SetFont(2);
    sheet.Cell(2, 1).SetText("first");
    sheet.Cell(2, 1).SetText("Ab"); // replaces the first text
    sheet.Cell(0, 0).SetNumber(0.1);
    sheet.Cell(5, 0); // exists, stays empty

    const std::string expected =
        kHead +
        // offset 64: NUMBER row 0, column 0, plain, 0.1 = 0x3FB999999999999A
        bytes({0x03, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
               0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F}) +
        // offset 83: NUMBER row 2, column 3, italic (font 2 -> 0x80), 1.5 = 0x3FF8000000000000
        bytes({0x03, 0x00, 0x0F, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x80, 0x00, //
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F}) +
        // offset 102: LABEL row 1, column 3, bold (font 1 -> 0x40), length 8 + 4
        bytes({0x04, 0x00, 0x0C, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00, 0x40, 0x00, 0x04}) + "Date" +
        // offset 118: LABEL row 2, column 1, plain, length 8 + 2
        bytes({0x04, 0x00, 0x0A, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02}) + "Ab" +
        // offset 132
        kEof;
    const std::string file = written(sheet);
    EXPECT_EQ(file.size(), 136u);
    EXPECT_EQ(hex(file), hex(expected));
}

TEST_F(WorksheetTest, FontIndexKeepsTheOtherAttributeBits) {
    ExcelSheet sheet;
    ExcelCell& cell = sheet.Cell(0, 0);
    cell.SetFont(3);
    EXPECT_EQ(cell.attributes()[1], 0xC0);
    cell.SetFont(1);
    EXPECT_EQ(cell.attributes()[1], 0x40);
    cell.SetFont(7); // no such font: unchanged
    EXPECT_EQ(cell.attributes()[1], 0x40);
    EXPECT_EQ(cell.attributes()[0], 0);
    EXPECT_EQ(cell.attributes()[2], 0);
}

// Labels are written in Windows-1252 and cut to 255 bytes, which always falls between characters.
TEST_F(WorksheetTest, LabelsAreEncodedAndCut) {
    const std::string a254(254, 'a');
    std::string u300;
    for (int i = 0; i < 300; ++i)
        u300 += "\xC3\xBC"; // ü
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"umlaut and euro", "Z\xC3\xBCrich \xE2\x82\xAC", "Z\xFCrich \x80"},
        {"not in the code page", "\xE6\x97\xA5\xE6\x9C\xAC", "??"},
        {"malformed UTF-8", "a\xC3", "a?"},
        {"empty", "", ""},
        {"257 UTF-8 bytes that are 255 characters", a254 + "\xE2\x82\xAC", a254 + "\x80"},
        {"cut after a two-byte character", a254 + "\xC3\xBCx", a254 + "\xFC"},
        {"300 two-byte characters", u300, std::string(255, '\xFC')},
        {"300 ASCII characters", std::string(300, 'x'), std::string(255, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExcelSheet sheet;
        sheet.Cell(0, 0).SetText(c.text.c_str());
        const auto n = static_cast<unsigned>(c.expected.size());
        const std::string expected = kHead +
                                     bytes({0x04, 0x00, (8 + n) & 0xFF, (8 + n) >> 8, // id, length 8 + n
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, n}) +
                                     c.expected + kEof;
        EXPECT_EQ(hex(written(sheet)), hex(expected));
    }
}

// Rows 0..65535 and columns 0..255 are written; a cell beyond them is left out (without growing the
// sheet to reach it) and the write says the sheet was cut.
TEST_F(WorksheetTest, CellsBeyondTheLastRowOrColumnAreLeftOutAndReported) {
    struct Case {
        unsigned row;
        unsigned column;
        bool rowCut;
        bool columnCut;
        std::string position; // row and column bytes of a written record
    };
    const Case cases[] = {
        {65535, 255, false, false, bytes({0xFF, 0xFF, 0xFF, 0x00})},
        {65536, 0, true, false, ""},
        {0, 256, false, true, ""},
        {UINT_MAX, UINT_MAX, true, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + ", " + std::to_string(c.column));
        ExcelSheet sheet;
        sheet.Cell(0, 1).SetText("kept");
        sheet.Cell(c.row, c.column).SetNumber(7.0);
        sheet.Cell(c.row, c.column).SetText("gone?");
        const bool cut = c.rowCut || c.columnCut;
        EXPECT_EQ(sheet.rowLimitReached(), c.rowCut);
        EXPECT_EQ(sheet.columnLimitReached(), c.columnCut);

        const ExcelWriteResult result = sheet.Write(path("sheet.xls"));
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(result.status, cut ? ExcelWriteResult::Status::Cut : ExcelWriteResult::Status::Written);
        EXPECT_EQ(result.rowLimitReached, c.rowCut);
        EXPECT_EQ(result.columnLimitReached, c.columnCut);

        const std::string kept =
            bytes({0x04, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x04}) + "kept";
        const std::string edge =
            cut ? std::string()
                : bytes({0x04, 0x00, 0x0D, 0x00}) + c.position + bytes({0x00, 0x00, 0x00, 0x05}) + "gone?";
        EXPECT_EQ(hex(testsupport::readFile(path("sheet.xls"))), hex(kHead + kept + edge + kEof));
    }
}

TEST_F(WorksheetTest, WritingIntoAMissingFolderFailsAndLeavesNothing) {
    ExcelSheet sheet;
    sheet.Cell(0, 0).SetNumber(1.0);
    const fs::path out = path("out");
    fs::create_directory(out);
    const fs::path target = out / "missing" / "p.xls";
    const ExcelWriteResult result = sheet.Write(target);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.status, ExcelWriteResult::Status::Failed);
    EXPECT_THAT(result.error, testing::HasSubstr("p.xls"));
    EXPECT_TRUE(fs::is_empty(out));
}

// A write that fails after the file was opened keeps the previous file as it was; a write that
// succeeds replaces it.
TEST_F(WorksheetTest, FailedWriteKeepsThePreviousFile) {
    const fs::path out = path("out");
    const fs::path target = out / "p.xls";
    testsupport::writeFile(target, "previous");
    ExcelSheet sheet;
    sheet.Cell(0, 0).SetText("new");

    {
        AtomicFileWriter file(target);
        ASSERT_TRUE(file.open()) << file.errorText();
        file.fail("disk full");
        const ExcelWriteResult result = sheet.Write(file);
        EXPECT_EQ(result.status, ExcelWriteResult::Status::Failed);
        EXPECT_THAT(result.error, testing::HasSubstr("disk full"));
    }
    EXPECT_EQ(testsupport::readFile(target), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1); // no temporary file left

    AtomicFileWriter file(target);
    ASSERT_TRUE(file.open()) << file.errorText();
    const ExcelWriteResult result = sheet.Write(file);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(testsupport::readFile(target).size(), 64u + 15u + 4u);
}

// A sheet large enough to be handed to the file in several pieces comes out whole.
TEST_F(WorksheetTest, LargeSheetIsWrittenWhole) {
    ExcelSheet sheet;
    constexpr unsigned kRows = 20000;
    for (unsigned r = 0; r < kRows; ++r) {
        sheet.Cell(r, 0).SetNumber(r);
        sheet.Cell(r, 1).SetText("x");
    }
    const std::string file = written(sheet);
    ASSERT_EQ(file.size(), 64u + kRows * 19u + kRows * 13u + 4u);
    // The last number record (row 19999 = 0x4E1F) and the first label (row 0) meet here.
    const std::size_t labels = 64 + kRows * 19;
    EXPECT_EQ(hex(file.substr(labels - 19, 8)), hex(bytes({0x03, 0x00, 0x0F, 0x00, 0x1F, 0x4E, 0x00, 0x00})));
    EXPECT_EQ(hex(file.substr(labels, 13)),
              hex(bytes({0x04, 0x00, 0x09, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}) + "x"));
    EXPECT_EQ(file.substr(file.size() - 4), kEof);
}
