#pragma once
// What a worksheet holds, in the shape the spreadsheet file writers want.
#include "office/text_font.h"

#include <QHash>
#include <QString>
#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace office {

using CellValue = std::variant<double, QString>;  // a number or a text

struct SheetRow {
  std::map<int, CellValue> cells;  // 1-based column → value
  std::optional<TextFont> font;    // none: the default font; a name "" is the default name
};

struct SheetModel {
  QString name = QStringLiteral("Sheet1");
  std::map<int, SheetRow> rows;    // 1-based row number → row
};

// The distinct row fonts of a sheet in order of first use, as the writers number them.
struct FontList {
  std::vector<TextFont> fonts;
  QHash<TextFont, int> index;
  explicit FontList(const SheetModel& sheet) {
    for (const auto& [r, row] : sheet.rows) {
      if (!row.font || index.contains(*row.font)) continue;
      index.insert(*row.font, int(fonts.size()));
      fonts.push_back(*row.font);
    }
  }
  int of(const SheetRow& row) const { return row.font ? index.value(*row.font) : -1; }
};

// The grid of a current workbook; cells beyond it are refused.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;
inline constexpr int kMaxTextLength = 32767;
// A font name holds at most 31 characters. A workbook holds at most 65,430 cell formats (each
// row font is one); an Excel 97-2003 file at most 512 fonts, so rows past them keep the default.
inline constexpr int kMaxFontNameLength = 31;
inline constexpr int kMaxCellFormats = 65430;
inline constexpr int kMaxXlsFonts = 512;

}  // namespace office
