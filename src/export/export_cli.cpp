#include "export/export_cli.h"

#include "core/list_box.h"
#include "fsys/file_queries.h"
#include "catalogue/command_line_catalogue.h"
#include "export/export_driver.h"
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

}  // namespace

int exportCatalogue(AppServices& services, const QString& path, const QString& filter, FontFormats formats,
                    bool force, std::FILE* err, const SampleSettings& sample) {
  const Kind kind = kindOf(path);
  if (kind == Kind::Unknown)
    return fail(err, QStringLiteral("cannot tell the format of %1: name it .xls, .xlsx, .doc, .docx or .rtf").arg(path));
  if (!force && FileExists(services.fs, path))
    return fail(err, QStringLiteral("%1 exists; add --force to replace it").arg(path));

  const CommandLineCatalogue catalogue(services, filter, formats, err);
  const ListBox& list = catalogue.list;
  const FactsByFace& facts = catalogue.facts;

  office::OfficeFactory fallback;
  office::OfficeFactory& factory = services.office ? *services.office : fallback;
  try {
    // The scan takes a while: a file made meanwhile under that name is kept all the same.
    std::optional<KeepExistingFiles> keep;
    if (!force) keep.emplace();
    const auto sink = kind == Kind::Spreadsheet ? exporting::spreadsheetSink() : exporting::documentSink();
    exporting::StraightSteps steps;
    exporting::writeCatalogue(steps, *sink, &factory, {list, facts, services.fs, services.fonts, sample}, path);
  } catch (const RuntimeError& e) {
    if (e.number == errors::fileAlreadyExists().number)
      return fail(err, QStringLiteral("%1 already exists; nothing was written").arg(path));
    return fail(err, QStringLiteral("cannot export to %1: %2").arg(path, e.description));
  } catch (const std::exception& e) {
    return fail(err, QStringLiteral("cannot export to %1: %2").arg(path, QString::fromLocal8Bit(e.what())));
  }
  return 0;
}
