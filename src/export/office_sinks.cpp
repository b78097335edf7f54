// The two office applications an export writes to. The line numbers are those of the button
// that uses each: Export Fonts To Excel the spreadsheet, Export Fonts To Word the document.
#include "core/catalogue_entry.h"
#include "core/runtime_error.h"
#include "export/export_driver.h"
#include "office/office_factory.h"

namespace exporting {
namespace {

// Row `row` of the sheet: the number as a number cell, the name, the sample text.
void writeSpecimenRow(office::Worksheet& sheet, int row, const QString& name, const QString& sample) {
  sheet.setCellValue(row, 1, QVariant(row));
  sheet.setCellValue(row, 2, QVariant(name));
  sheet.setCellValue(row, 3, QVariant(sample));
}

// Sets the whole row's font. A font the spreadsheet refuses (error 1004) leaves the row in the
// default font; any other failure is thrown.
void setRowFont(office::Worksheet& sheet, int row, const office::TextFont& font) {
  try {
    sheet.setRowFontName(row, font.name);
    sheet.setRowFontBold(row, font.bold);
    sheet.setRowFontItalic(row, font.italic);
  } catch (const RuntimeError& e) {
    if (e.number != errors::objectDefined().number) throw;
  }
}

class SpreadsheetSink : public OfficeSink {
 public:
  bool start(Steps& steps, office::OfficeFactory* factory) override {
    bool failed = !steps(122, [&] {
      if (!factory) throw errors::cannotCreateObject();
      excel_ = factory->createExcel();
      if (!excel_) throw errors::cannotCreateObject();
    });
    if (excel_) {
      steps(124, [&] { excel_->setVisible(false); });
      steps(126, [&] { excel_->setDisplayAlerts(false); });
      failed = !steps(128, [&] { book_ = &excel_->workbooksAdd(); });
    }
    return !failed;
  }
  int countLine() const override { return 130; }
  bool write(Steps& steps, int number, const QString& name, const QString& sample,
             const office::TextFont& font) override {
    steps.perFont(142, [&] { writeSpecimenRow(book_->sheets(1), number, name, sample); });
    // A refused font leaves the row in the default font; anything else means the
    // spreadsheet no longer works, so the export ends here and writes nothing.
    return steps.perFont(144, [&] { setRowFont(book_->sheets(1), number, font); });
  }
  bool save(Steps& steps, const QString& path) override {
    return steps(146, [&] { book_->SaveAs(path, office::Workbook::kWorkbookNormal); });
  }
  void quit(Steps& steps) override {
    if (!excel_) return;
    steps(148, [&] { excel_->setDisplayAlerts(true); });
    steps(150, [&] { excel_->quit(); });
  }

 private:
  std::unique_ptr<office::ExcelApplication> excel_;
  office::Workbook* book_ = nullptr;
};

// One paragraph: number, four blanks, name, five blanks, the sample text.
QString specimenLine(int number, const QString& name, const QString& sample) {
  return QString::number(number) + QStringLiteral("    ") + name + QStringLiteral("     ") + sample;
}

class DocumentSink : public OfficeSink {
 public:
  bool start(Steps& steps, office::OfficeFactory* factory) override {
    bool failed = !steps(126, [&] {
      if (!factory) throw errors::cannotCreateObject();
      word_ = factory->createWord();
      if (!word_) throw errors::cannotCreateObject();
    });
    if (word_) {
      steps(128, [&] { word_->setVisible(false); });
      failed = !steps(130, [&] { document_ = &word_->documentsAdd(); });
    }
    return !failed;
  }
  int countLine() const override { return 132; }
  bool write(Steps& steps, int number, const QString& name, const QString& sample,
             const office::TextFont& font) override {
    // Each step on its own: a font name the word processor refuses leaves the line in the
    // font it was typed in, and the next paragraph still starts.
    office::WordApplication& word = *word_;
    steps.perFont(144, [&] { word.selection().TypeText(specimenLine(number, name, sample)); });
    steps.perFont(146, [&] { word.selection().HomeKey(office::Selection::kLine, office::Selection::kExtend); });
    steps.perFont(148, [&] {
      word.selection().setFontName(font.name);
      word.selection().setFontBold(font.bold);
      word.selection().setFontItalic(font.italic);
    });
    steps.perFont(150, [&] { word.selection().MoveRight(office::Selection::kCharacter, 1); });
    steps.perFont(152, [&] { word.selection().TypeParagraph(); });
    return true;
  }
  bool save(Steps& steps, const QString& path) override {
    return steps(154, [&] { document_->SaveAs(path); });
  }
  void quit(Steps& steps) override {
    if (word_) steps(156, [&] { word_->quit(); });
  }

 private:
  std::unique_ptr<office::WordApplication> word_;
  office::Document* document_ = nullptr;
};

}  // namespace

std::unique_ptr<OfficeSink> spreadsheetSink() { return std::make_unique<SpreadsheetSink>(); }
std::unique_ptr<OfficeSink> documentSink() { return std::make_unique<DocumentSink>(); }

}  // namespace exporting
