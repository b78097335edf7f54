#pragma once
// Shared by the export tests: a main window on the real file system with a temporary folder,
// an office factory that keeps what each export made, and one description per export button.
#include "core/catalogue_entry.h"
#include "app/form1.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "office/office_factory.h"
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/temp_tree.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace export_test {

// What the factory saw of one export, kept after the command has released its objects.
struct Record {
  int created = 0;
  bool quit = false;
  std::vector<std::pair<QVariant, office::TextFont>> rows;  // (cells joined by '|', row font) of a sheet
  std::vector<office::Paragraph> paragraphs;
  std::function<void()> atQuit;  // lets a test look at the window just before the application quits
};

// A worksheet that fails as a spreadsheet that stopped working would.
class BrokenSheet : public office::Worksheet {
 public:
  int cellError = 0;     // thrown by every cell write when set
  int rowFontError = 0;  // thrown by every row font when set
  void setCellValue(int row, int col, const QVariant& value) override {
    if (cellError) throw RuntimeError(cellError, QStringLiteral("Automation error"));
    Worksheet::setCellValue(row, col, value);
  }
  void setRowFontName(int row, const QString& name) override {
    if (rowFontError) throw RuntimeError(rowFontError, QStringLiteral("Automation error"));
    Worksheet::setRowFontName(row, name);
  }
};

class BrokenBook : public office::Workbook {
 public:
  BrokenSheet sheet;
  office::Worksheet& sheets(int) override { return sheet; }
};

class RecordingExcel : public office::ExcelApplication {
 public:
  RecordingExcel(Record& record, int cellError, int rowFontError)
      : record_(record), cellError_(cellError), rowFontError_(rowFontError) {}
  office::Workbook& workbooksAdd() override {
    if (cellError_ || rowFontError_) {
      broken_.sheet.cellError = cellError_;
      broken_.sheet.rowFontError = rowFontError_;
      book_ = &broken_;
    } else {
      book_ = &ExcelApplication::workbooksAdd();
    }
    return *book_;
  }
  void quit() override {
    record_.quit = true;
    if (record_.atQuit) record_.atQuit();
    if (!book_) return ExcelApplication::quit();
    const office::Worksheet& sheet = book_->sheets(1);
    for (const auto& [r, row] : sheet.model().rows) {
      QStringList cells;
      for (int c = 1; c <= 3; ++c) cells << sheet.cellValue(r, c).toString();
      record_.rows.emplace_back(cells.join('|'), sheet.rowFont(r));
    }
    ExcelApplication::quit();
  }

 private:
  Record& record_;
  int cellError_, rowFontError_;
  office::Workbook* book_ = nullptr;
  BrokenBook broken_;
};

class RecordingWord : public office::WordApplication {
 public:
  explicit RecordingWord(Record& record) : record_(record) {}
  office::Document& documentsAdd() override { return *(document_ = &WordApplication::documentsAdd()); }
  void quit() override {
    record_.quit = true;
    if (record_.atQuit) record_.atQuit();
    if (document_) record_.paragraphs = document_->paragraphs();
    WordApplication::quit();
  }

 private:
  Record& record_;
  office::Document* document_ = nullptr;
};

class RecordingFactory : public office::OfficeFactory {
 public:
  Record record;
  bool cannotStart = false;
  int cellError = 0, rowFontError = 0;
  std::unique_ptr<office::ExcelApplication> createExcel() override {
    ++record.created;
    if (cannotStart) throw errors::cannotCreateObject();
    return std::make_unique<RecordingExcel>(record, cellError, rowFontError);
  }
  std::unique_ptr<office::WordApplication> createWord() override {
    ++record.created;
    if (cannotStart) throw errors::cannotCreateObject();
    return std::make_unique<RecordingWord>(record);
  }
};

// One export button and what belongs to it.
struct Export {
  const char* name;
  QString caption;
  QString fileName;
  QString filter;
  int yieldsBeforeFirstFont;  // the start's yield, and Word's yield after the caption changes
  PushButton* Form1::*button;
  void (Form1::*click)();
};

inline const Export kExcel{"Excel", QStringLiteral("Export Fonts To Excel"), QStringLiteral("Fonts.xls"),
                           QStringLiteral("Excel files (*.xls)|*.xls|"), 1, &Form1::PushButton8,
                           &Form1::PushButton8_Click};
inline const Export kWord{"Word", QStringLiteral("Export Fonts To Word"), QStringLiteral("Fonts.doc"),
                          QStringLiteral("Word files (*.doc)|*.doc|"), 2, &Form1::PushButton6,
                          &Form1::PushButton6_Click};

struct App : BasicAppHarness<LinuxFileSystem> {
  TempTree tree;
  RecordingFactory factory;
  App() { form->services().office = &factory; }
  void click(const Export& e) { (form.get()->*e.click)(); }
  PushButton& button(const Export& e) { return *(form.get()->*e.button); }
  void fill(const QStringList& names) {
    for (const QString& n : names) form->List1.AddItem(n, QStringLiteral("/f/") + n + ".ttf");
  }
  // The window as it looks when no command runs.
  void expectIdle(const Export& e) {
    EXPECT_EQ(button(e).Caption(), e.caption);
    EXPECT_EQ(form->MousePointer(), pointer::Default);
    EXPECT_EQ(form->ProgressBar1->Value(), 0);
    EXPECT_EQ(form->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
  }
  std::vector<QString> errorBoxes() const {
    std::vector<QString> out;
    for (const auto& b : prompts.boxes)
      if (b.title == QStringLiteral("Application Error")) out.push_back(b.text);
    return out;
  }
  bool saidDone() const {
    for (const auto& b : prompts.boxes)
      if (b.text == QStringLiteral("Done.")) return true;
    return false;
  }
};

// The number of fonts an export wrote: rows, or paragraphs before the closing empty one.
inline int written(const Export& e, const Record& r) {
  return &e == &kExcel ? int(r.rows.size()) : std::max(0, int(r.paragraphs.size()) - 1);
}

}  // namespace export_test
