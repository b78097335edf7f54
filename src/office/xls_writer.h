#pragma once
// An Excel 97-2003 workbook (BIFF8 records in an OLE2 compound file), written by us.
#include "office/sheet_model.h"

#include <QByteArray>

namespace office {

// The Workbook stream: globals (fonts, formats, shared strings) and one worksheet.
// Throws RuntimeError 1004 when the sheet reaches past the format's 65,536 rows or
// 256 columns, rather than silently dropping those cells.
QByteArray buildBiff8Workbook(const SheetModel& sheet);

// The complete .xls file.
QByteArray buildXlsFile(const SheetModel& sheet);

}  // namespace office
