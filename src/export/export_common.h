#pragma once
// What the two export commands and the command-line export share: the texts of a row or
// paragraph, the dialog flags, and an error trap that reports each kind of failure once.
#include "core/error_trap.h"
#include "core/runtime_error.h"
#include "catalogue/catalogue_fill.h"
#include "controls/common_dialog.h"
#include "office/text_font.h"

#include <QSet>
#include <QString>
#include <functional>

class Form1;
class FontSystem;

namespace office {
class OfficeFactory;
class Worksheet;
class WordApplication;
}  // namespace office

namespace exporting {

// Explorer-style dialog with long names, multiple selection and the read-only box ticked;
// no overwrite prompt of its own, because the command asks that question itself.
constexpr long kSaveDialogFlags = ofn::Explorer | ofn::LongNames | ofn::AllowMultiSelect | ofn::ReadOnly;
static_assert(kSaveDialogFlags == 2621953);

inline const QString kCancelCaption = QStringLiteral("Cancel Export");

// "Exporting font 3 from 10"
QString progressText(int number, int count);

// One specimen paragraph: number, four blanks, name, five blanks, the sample text.
QString specimenLine(int number, const QString& name);

// Row `row` of the sheet: the number as a number cell, the name, the sample text.
void writeSpecimenRow(office::Worksheet& sheet, int row, const QString& name);

// The font a row is set in. Office programs choose a face by family name plus bold and
// italic, so a full name such as "DejaVu Sans Bold" would fall back to another face: the row
// takes the file's family name and style bits from the fill's facts, or from the file when the
// fill has none for it. A file without a family name keeps the full name, neither bold nor italic.
office::TextFont rowFont(FontSystem& fonts, const FactsByPath& facts, const QString& fullName, const QString& path);

// Sets the whole row's font. A font the spreadsheet refuses (error 1004) leaves the row in
// the default font and gives false; any other failure is thrown.
bool setRowFont(office::Worksheet& sheet, int row, const office::TextFont& font);

// Sets the selection's font.
void setSelectionFont(office::WordApplication& word, const office::TextFont& font);

// Types one specimen paragraph set in its own font and starts the next paragraph.
void typeSpecimenParagraph(office::WordApplication& word, int number, const QString& name, const office::TextFont& font);

class ExportTrap;

// Sets Busy, asks for the file to write and, when it exists, whether to replace it. Returns
// the path, or "" when nothing is to be written (Busy is then cleared again).
QString chooseExportFile(Form1& form, ExportTrap& trap, const QString& fileName, const QString& filter);

// The error trap of an export. Statements run once per font report a failure only the
// first time its error number occurs in the run; later failures with that number pass
// quietly, so an office application that fails on every font shows one box, not one per font.
class ExportTrap {
 public:
  ExportTrap(Prompts& prompts, const QString& location) : trap_(prompts, location) {}
  // Runs one statement; false when it failed (and was reported).
  bool operator()(int line, const std::function<void()>& statement) { return trap_(line, statement); }
  // Runs one statement of the per-font loop; false when it failed (reported or not).
  bool perFont(int line, const std::function<void()>& statement);

 private:
  ErrorTrap trap_;
  QSet<int> reported_;
};

}  // namespace exporting
