#pragma once
// Our own stand-in for the spreadsheet application: the members the Excel export calls,
// writing real files. Failures are thrown as RuntimeError with the number the
// application would give (1004 for a refused value or font).
#include "core/runtime_error.h"
#include "office/sheet_model.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace office {

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  // cells(row, col).Value = v: an integer or floating value makes a number cell, anything
  // else its text; an empty or null value clears the cell.
  virtual void setCellValue(int row, int col, const QVariant& value);
  // Rows(row).Font.Name, .Bold and .Italic. Names must be 1 to 31 characters, and the rows
  // of a workbook hold at most 65,430 distinct fonts; a change past these limits is refused
  // with 1004 and leaves the row's font as it was.
  virtual void setRowFontName(int row, const QString& name);
  virtual void setRowFontBold(int row, bool bold);
  virtual void setRowFontItalic(int row, bool italic);

  // Read back, for tests and the writers.
  QVariant cellValue(int row, int col) const;
  TextFont rowFont(int row) const;      // name "" for the default font
  QString rowFontName(int row) const;  // "" for the default font
  const SheetModel& model() const { return model_; }

 private:
  void setRowFont(int row, const TextFont& font);

  SheetModel model_;
  QHash<TextFont, int> fontUses_;  // rows per distinct font
};

class Workbook {
 public:
  Workbook();
  virtual ~Workbook() = default;
  // sheets(index); a new workbook has the one sheet "Sheet1".
  virtual Worksheet& sheets(int index);
  // The format follows the extension (case-insensitive): ".xlsx" Office Open XML, anything
  // else an Excel 97-2003 workbook. The file is replaced only once completely written.
  virtual void SaveAs(const QString& path, int fileFormat = kWorkbookNormal);

  static constexpr int kWorkbookNormal = -4143;

 private:
  std::vector<std::unique_ptr<Worksheet>> sheets_;
};

class ExcelApplication {
 public:
  virtual ~ExcelApplication() = default;
  // The stand-in has no window and asks nothing, so these change nothing.
  virtual void setVisible(bool) {}
  virtual void setDisplayAlerts(bool) {}
  // workbooks.add; the workbook lives as long as the application object.
  virtual Workbook& workbooksAdd();
  virtual void quit();

 private:
  bool quit_ = false;
  std::vector<std::unique_ptr<Workbook>> workbooks_;
};

}  // namespace office
