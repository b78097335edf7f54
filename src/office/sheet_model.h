#pragma once
// What a worksheet holds, in the shape the spreadsheet file writers want.
#include <QString>
#include <QStringList>
#include <map>
#include <variant>

namespace office {

using CellValue = std::variant<double, QString>;  // a number or a text

struct SheetRow {
  std::map<int, CellValue> cells;  // 1-based column → value
  int font = -1;                   // index into SheetModel::fonts; -1 = the default font
};

struct SheetModel {
  QString name = QStringLiteral("Sheet1");
  QStringList fonts;               // distinct row fonts, in order of first use
  std::map<int, SheetRow> rows;    // 1-based row number → row
};

// The grid of a current workbook; cells beyond it are refused.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;
// What a font name and a workbook's font list may hold.
inline constexpr int kMaxFontNameLength = 31;
inline constexpr int kMaxFonts = 512;
inline constexpr int kMaxTextLength = 32767;

}  // namespace office
