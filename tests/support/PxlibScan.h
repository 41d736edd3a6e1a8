#pragma once

#include <QString>

// pxlib's own raw record fetch loop over a whole table (PX_get_record2 for every record, no
// decoding), the reference the table-scan benchmark compares the program's reader with. Not
// for reading tables in tests: pxlib misreads real ones (NULLs, memos, damaged files).
//
// Returns the number of records fetched and adds up one byte of each into checksum so the
// loop cannot be optimised away. Throws std::runtime_error when pxlib cannot open the file.
int PxlibFetchAllRecords(const QString& path, unsigned long& checksum);
