#include "export/export_common.h"

#include "core/catalogue_entry.h"
#include "app/form1.h"
#include "fsys/file_queries.h"
#include "fontfile/cfont_preview.h"
#include "office/excel.h"
#include "office/word.h"

namespace exporting {

QString progressText(int number, int count) {
  return QStringLiteral("Exporting font ") + QString::number(number) + QStringLiteral(" from ") +
         QString::number(count);
}

QString specimenLine(int number, const QString& name) {
  return QString::number(number) + QStringLiteral("    ") + name + QStringLiteral("     ") + kSampleText;
}

void writeSpecimenRow(office::Worksheet& sheet, int row, const QString& name) {
  sheet.setCellValue(row, 1, QVariant(row));
  sheet.setCellValue(row, 2, QVariant(name));
  sheet.setCellValue(row, 3, QVariant(kSampleText));
}

office::TextFont rowFont(FontSystem& fonts, const FactsByPath& facts, const QString& fullName, const QString& path) {
  FontFacts f;
  if (const auto it = facts.constFind(path); it != facts.constEnd()) {
    f = *it;
  } else {
    try {
      CFontPreview reader(fonts);
      reader.setFontFile(path);
      f = factsOf(reader);
    } catch (const RuntimeError&) {
      // A file that cannot be read any more keeps the full name.
    }
  }
  if (f.family.isEmpty()) return {fullName, false, false};
  return {f.family, f.bold, f.italic};
}

bool setRowFont(office::Worksheet& sheet, int row, const office::TextFont& font) {
  try {
    sheet.setRowFontName(row, font.name);
    sheet.setRowFontBold(row, font.bold);
    sheet.setRowFontItalic(row, font.italic);
    return true;
  } catch (const RuntimeError& e) {
    if (e.number != errors::objectDefined().number) throw;
    return false;
  }
}

void setSelectionFont(office::WordApplication& word, const office::TextFont& font) {
  word.selection().setFontName(font.name);
  word.selection().setFontBold(font.bold);
  word.selection().setFontItalic(font.italic);
}

void typeSpecimenParagraph(office::WordApplication& word, int number, const QString& name, const office::TextFont& font) {
  word.selection().TypeText(specimenLine(number, name));
  word.selection().HomeKey(office::Selection::kLine, office::Selection::kExtend);
  setSelectionFont(word, font);
  word.selection().MoveRight(office::Selection::kCharacter, 1);
  word.selection().TypeParagraph();
}

bool ExportTrap::perFont(int line, const std::function<void()>& statement) {
  bool quiet = false;
  const bool ok = trap_(line, [&] {
    try {
      statement();
    } catch (const RuntimeError& e) {
      if (reported_.contains(e.number)) {
        quiet = true;
        return;
      }
      reported_.insert(e.number);
      throw;
    }
  });
  return ok && !quiet;
}

}  // namespace exporting

QString exporting::chooseExportFile(Form1& form, ExportTrap& trap, const QString& fileName, const QString& filter) {
  AppServices& services = form.services();
  QString path;
  MsgResult answer = MsgResult::Yes;
  trap(108, [&] {
    form.Busy = true;
    form.CancelRequested = false;
  });
  trap(110, [&] {
    form.CommonDialog1.FileName = fileName;
    form.CommonDialog1.Flags = kSaveDialogFlags;
    form.CommonDialog1.Filter = filter;
    form.CommonDialog1.ShowSave();
  });
  trap(112, [&] { path = form.CommonDialog1.FileName; });
  if (path.isEmpty()) {
    form.Busy = false;
    return {};
  }
  trap(116, [&] {
    if (FileExists(services.fs, path))
      answer = services.prompts.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path +
                                               QStringLiteral(" ?"),
                                           Form1::appTitle(), MsgButtons::YesNo, MsgIcon::None);
  });
  if (answer != MsgResult::Yes || form.CancelRequested) {
    form.Busy = false;
    return {};
  }
  return path;
}
