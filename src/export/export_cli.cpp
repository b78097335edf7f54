#include "export/export_cli.h"

#include "core/error_trap.h"
#include "core/list_box.h"
#include "fsys/file_queries.h"
#include "catalogue/catalogue_fill.h"
#include "fontfile/preview_pins.h"
#include "export/export_common.h"
#include "office/office_factory.h"
#include "office/save_file.h"

#include <memory>
#include <optional>

namespace {

enum class Kind { Spreadsheet, Document, Unknown };

Kind kindOf(const QString& path) {
  const QString ext = office::lowerExtension(path);
  if (ext == QLatin1String("xls") || ext == QLatin1String("xlsx")) return Kind::Spreadsheet;
  if (ext == QLatin1String("doc") || ext == QLatin1String("docx") || ext == QLatin1String("rtf"))
    return Kind::Document;
  return Kind::Unknown;
}

int fail(std::FILE* err, const QString& message) {
  std::fprintf(err, "typorama: %s\n", qUtf8Printable(message));
  return 1;
}

void writeSpreadsheet(office::OfficeFactory& factory, FontSystem& fonts, const ListBox& list,
                      const FactsByPath& facts, const QString& path) {
  auto excel = factory.createExcel();
  if (!excel) throw errors::cannotCreateObject();
  excel->setVisible(false);
  excel->setDisplayAlerts(false);
  office::Workbook& book = excel->workbooksAdd();
  office::Worksheet& sheet = book.sheets(1);
  for (int i = 0; i < list.ListCount(); ++i) {
    const QString name = list.ItemName(i);
    exporting::writeSpecimenRow(sheet, i + 1, name);
    // A refused font keeps the default font.
    exporting::setRowFont(sheet, i + 1, exporting::rowFont(fonts, facts, name, list.ItemPath(i)));
  }
  book.SaveAs(path, office::Workbook::kWorkbookNormal);
  excel->quit();
}

void writeDocument(office::OfficeFactory& factory, FontSystem& fonts, const ListBox& list,
                   const FactsByPath& facts, const QString& path) {
  auto word = factory.createWord();
  if (!word) throw errors::cannotCreateObject();
  word->setVisible(false);
  office::Document& document = word->documentsAdd();
  for (int i = 0; i < list.ListCount(); ++i) {
    const QString name = list.ItemName(i);
    exporting::typeSpecimenParagraph(*word, i + 1, name, exporting::rowFont(fonts, facts, name, list.ItemPath(i)));
  }
  document.SaveAs(path);
  word->quit();
}

}  // namespace

int exportCatalogue(AppServices& services, const QString& path, const QString& filter, bool force,
                    std::FILE* err) {
  const Kind kind = kindOf(path);
  if (kind == Kind::Unknown)
    return fail(err, QStringLiteral("cannot tell the format of %1: name it .xls, .xlsx, .doc, .docx or .rtf").arg(path));
  if (!force && FileExists(services.fs, path))
    return fail(err, QStringLiteral("%1 exists; add --force to replace it").arg(path));

  ErrorTrap trap(services.prompts, QStringLiteral("Form1.LoadFonts"));
  ListBox list;
  FactsByPath facts;
  PreviewPins pins(services.fonts);
  collectCatalogue(services, trap, list, filter, facts, pins, {});

  office::OfficeFactory fallback;
  office::OfficeFactory& factory = services.office ? *services.office : fallback;
  try {
    // The scan takes a while: a file made meanwhile under that name is kept all the same.
    std::optional<KeepExistingFiles> keep;
    if (!force) keep.emplace();
    if (kind == Kind::Spreadsheet) writeSpreadsheet(factory, services.fonts, list, facts, path);
    else writeDocument(factory, services.fonts, list, facts, path);
  } catch (const RuntimeError& e) {
    if (e.number == errors::fileAlreadyExists().number)
      return fail(err, QStringLiteral("%1 already exists; nothing was written").arg(path));
    return fail(err, QStringLiteral("cannot export to %1: %2").arg(path, e.description));
  } catch (const std::exception& e) {
    return fail(err, QStringLiteral("cannot export to %1: %2").arg(path, QString::fromLocal8Bit(e.what())));
  }
  return 0;
}
