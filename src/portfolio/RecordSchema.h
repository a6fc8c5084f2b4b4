#pragma once
// Reading quotation and transaction records in the form of the item that holds them.
//
// The records do not store their own version: an item record read at schema N holds its
// quotations and transactions in the form of schema N, whatever schema the records' own class
// records name. The item reader opens a RecordSchemaScope on the archive for the time it reads its
// lists; CKurs::Serialize and CTransaction::Serialize ask recordLoadSchema() of the archive they
// read from. The scope belongs to one archive and ends with the reading of the lists, so one load
// never leaks its schema into another; outside any scope (the clipboard, a new file) the current
// schema holds.

#include "platform/Archive.h"
#include "platform/OleDate.h"

// The schema the program writes, and reads where no item says otherwise.
inline constexpr int kCurrentRecordSchema = 22;

class RecordSchemaScope {
public:
    RecordSchemaScope(const Archive& ar, int schema);
    ~RecordSchemaScope();
    RecordSchemaScope(const RecordSchemaScope&) = delete;
    RecordSchemaScope& operator=(const RecordSchemaScope&) = delete;

private:
    const Archive* m_ar;
};

// The schema of the innermost scope open on `ar`, else kCurrentRecordSchema.
int recordLoadSchema(const Archive& ar);

// Date fields of the records.
// The current form: status (32-bit) then value (double), 12 bytes.
void writeRecordDate(Archive& ar, const OleDate& date);
// Reads that form; a valid date outside the supported years comes back invalid.
OleDate readRecordDate(Archive& ar);
// The old-style form of schemas 1 to 21: seconds since 1970 (UTC), converted to local calendar
// time in whole seconds; status invalid when the conversion fails.
OleDate readOldStyleDate(Archive& ar);
