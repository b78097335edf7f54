#pragma once
// An Office Open XML workbook, written through libxlsxwriter.
#include "office/sheet_model.h"

#include <QString>

namespace office {

// Writes the sheet to `path` through a temporary file; throws RuntimeError on failure.
void writeXlsxFile(const SheetModel& sheet, const QString& path);

}  // namespace office
