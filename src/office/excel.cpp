#include "office/excel.h"

#include "office/save_file.h"
#include "office/xls_writer.h"
#include "office/xlsx_writer.h"

#include <cerrno>
#include <cmath>

namespace office {

namespace {

RuntimeError refused(const QString& what) {
  return errors::objectDefined().withDetail(QStringLiteral(": ") + what);
}

bool isNumber(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long:
    case QMetaType::ULong: case QMetaType::SChar: case QMetaType::UChar:
      return true;
    default:
      return false;
  }
}

void checkCell(int row, int col) {
  if (row < 1 || row > kMaxRows || col < 1 || col > kMaxColumns)
    throw refused(QStringLiteral("no cell at row %1, column %2").arg(row).arg(col));
}

}  // namespace

void Worksheet::setCellValue(int row, int col, const QVariant& value) {
  checkCell(row, col);
  CellValue cell;
  if (isNumber(value)) {
    const double d = value.toDouble();
    if (!std::isfinite(d)) throw refused(QStringLiteral("not a finite number"));
    cell = d;
  } else {
    const QString text = value.isNull() ? QString() : value.toString();
    if (text.size() > kMaxTextLength) throw refused(QStringLiteral("text longer than 32767 characters"));
    if (text.isEmpty()) {
      // An empty value empties the cell.
      const auto it = model_.rows.find(row);
      if (it != model_.rows.end()) it->second.cells.erase(col);
      return;
    }
    cell = text;
  }
  model_.rows[row].cells[col] = std::move(cell);
}

void Worksheet::setRowFontName(int row, const QString& name) {
  if (name.isEmpty() || name.size() > kMaxFontNameLength)
    throw refused(QStringLiteral("a font name must be 1 to 31 characters long"));
  for (const QChar c : name) {
    if (c.unicode() < 0x20) throw refused(QStringLiteral("a font name cannot hold control characters"));
  }
  TextFont font = rowFont(row);
  font.name = name;
  setRowFont(row, font);
}

void Worksheet::setRowFontBold(int row, bool bold) {
  TextFont font = rowFont(row);
  font.bold = bold;
  setRowFont(row, font);
}

void Worksheet::setRowFontItalic(int row, bool italic) {
  TextFont font = rowFont(row);
  font.italic = italic;
  setRowFont(row, font);
}

void Worksheet::setRowFont(int row, const TextFont& font) {
  if (row < 1 || row > kMaxRows) throw refused(QStringLiteral("no row %1").arg(row));
  const auto r = model_.rows.find(row);
  const std::optional<TextFont> current = r != model_.rows.end() ? r->second.font : std::nullopt;
  if (current == font) return;
  // Only fonts some row still uses count against the limit.
  const bool freesOne = current && fontUses_.value(*current) == 1;
  if (!fontUses_.contains(font) && fontUses_.size() - freesOne >= kMaxCellFormats)
    throw refused(QStringLiteral("a workbook holds at most 65430 cell formats"));
  if (current && --fontUses_[*current] == 0) fontUses_.remove(*current);
  ++fontUses_[font];
  model_.rows[row].font = font;
}

QVariant Worksheet::cellValue(int row, int col) const {
  const auto r = model_.rows.find(row);
  if (r == model_.rows.end()) return {};
  const auto c = r->second.cells.find(col);
  if (c == r->second.cells.end()) return {};
  if (const double* d = std::get_if<double>(&c->second)) return *d;
  return std::get<QString>(c->second);
}

TextFont Worksheet::rowFont(int row) const {
  const auto r = model_.rows.find(row);
  if (r == model_.rows.end() || !r->second.font) return {};
  return *r->second.font;
}

QString Worksheet::rowFontName(int row) const { return rowFont(row).name; }

Workbook::Workbook() { sheets_.push_back(std::make_unique<Worksheet>()); }

Worksheet& Workbook::sheets(int index) {
  if (index < 1 || index > int(sheets_.size())) throw errors::subscriptOutOfRange();
  return *sheets_[size_t(index - 1)];
}

void Workbook::SaveAs(const QString& path, int /*fileFormat*/) {
  // The format code only ever asks for the normal workbook; the file name decides which.
  if (path.isEmpty()) throw saveError(path, FileStatus::fromErrno(ENOENT));
  const SheetModel& sheet = sheets_.front()->model();
  if (lowerExtension(path) == QLatin1String("xlsx")) {
    writeXlsxFile(sheet, path);
  } else {
    saveBytes(path, buildXlsFile(sheet));
  }
}

Workbook& ExcelApplication::workbooksAdd() {
  if (quit_) throw errors::remoteServerUnavailable();
  workbooks_.push_back(std::make_unique<Workbook>());
  return *workbooks_.back();
}

void ExcelApplication::quit() { quit_ = true; }

}  // namespace office
