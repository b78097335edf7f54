#include "office/excel.h"

#include "office/save_file.h"
#include "office/xls_writer.h"
#include "office/xlsx_writer.h"

#include <cerrno>
#include <cmath>

namespace office {

namespace {

RuntimeError refused(const QString& what) {
  RuntimeError e = errors::objectDefined();
  return RuntimeError(e.number, e.description + QStringLiteral(": ") + what);
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
  if (row < 1 || row > kMaxRows) throw refused(QStringLiteral("no row %1").arg(row));
  if (name.isEmpty() || name.size() > kMaxFontNameLength)
    throw refused(QStringLiteral("a font name must be 1 to 31 characters long"));
  for (const QChar c : name) {
    if (c.unicode() < 0x20) throw refused(QStringLiteral("a font name cannot hold control characters"));
  }
  int index = fontIndex_.value(name, -1);
  if (index < 0) {
    if (model_.fonts.size() >= kMaxFonts)
      throw refused(QStringLiteral("a workbook holds at most 512 fonts"));
    index = int(model_.fonts.size());
    model_.fonts.append(name);
    fontIndex_.insert(name, index);
  }
  model_.rows[row].font = index;
}

QVariant Worksheet::cellValue(int row, int col) const {
  const auto r = model_.rows.find(row);
  if (r == model_.rows.end()) return {};
  const auto c = r->second.cells.find(col);
  if (c == r->second.cells.end()) return {};
  if (const double* d = std::get_if<double>(&c->second)) return *d;
  return std::get<QString>(c->second);
}

QString Worksheet::rowFontName(int row) const {
  const auto r = model_.rows.find(row);
  if (r == model_.rows.end() || r->second.font < 0) return {};
  return model_.fonts.at(r->second.font);
}

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
  if (quit_) throw RuntimeError(462, QStringLiteral("The remote server machine does not exist or is unavailable"));
  workbooks_.push_back(std::make_unique<Workbook>());
  return *workbooks_.back();
}

void ExcelApplication::quit() { quit_ = true; }

}  // namespace office
