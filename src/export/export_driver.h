#pragma once
// One export, whatever starts it: the office application is started, each catalogue entry is
// written in its own font, the file is saved and the application quits. A sink stands for the
// application (a spreadsheet or a document); the steps say how each statement runs.
#include "core/list_box.h"
#include "core/sample_settings.h"
#include "fontfile/font_facts.h"
#include "office/text_font.h"

#include <QString>
#include <functional>
#include <memory>

class FileSystem;
class FontSystem;

namespace office {
class OfficeFactory;
}

namespace exporting {

// Runs the numbered statements of an export. The window traps each one, reports the failure and
// goes on (the numbers are the lines its error boxes name); the command line runs them straight,
// so the first failure ends the export.
class Steps {
 public:
  virtual ~Steps() = default;
  // Runs one statement; false when it failed.
  virtual bool operator()(int line, const std::function<void()>& statement) = 0;
  // Runs one statement of the per-font loop; false when it failed.
  virtual bool perFont(int line, const std::function<void()>& statement) = 0;
  // Before font i (from 0), its statements numbered from `line`: false stops the export there,
  // keeping the fonts written.
  virtual bool beforeFont(int line, int i) = 0;
};

// The command line's steps: no window, so each statement runs straight and throws its failure.
class StraightSteps : public Steps {
 public:
  bool operator()(int, const std::function<void()>& statement) override;
  bool perFont(int, const std::function<void()>& statement) override;
  bool beforeFont(int, int) override { return true; }
};

// The office application an export writes to.
class OfficeSink {
 public:
  virtual ~OfficeSink() = default;
  // Starts the application and opens an empty file; false when there is nothing to write to.
  virtual bool start(Steps& steps, office::OfficeFactory* factory) = 0;
  // The line of the font count, which follows the start; the loop's lines follow it.
  virtual int countLine() const = 0;
  // Writes font `number` (from 1) in `font`; false when the application stopped working, which
  // ends the export without saving.
  virtual bool write(Steps& steps, int number, const QString& name, const QString& sample,
                     const office::TextFont& font) = 0;
  // Saves to `path`; false when that failed.
  virtual bool save(Steps& steps, const QString& path) = 0;
  // Quits the application if it started.
  virtual void quit(Steps& steps) = 0;
};

// One row a spreadsheet, one paragraph per font a document.
std::unique_ptr<OfficeSink> spreadsheetSink();
std::unique_ptr<OfficeSink> documentSink();

// What an export writes: the entries in order, the facts the fill read of their files and the
// sample the grids show.
struct ExportSource {
  const ListBox& list;
  const FactsByFace& facts;
  FileSystem& files;
  FontSystem& fonts;
  SampleSettings sample = {};
};

// Writes the source through `sink` to `path` and quits the application. True when it was saved.
bool writeCatalogue(Steps& steps, OfficeSink& sink, office::OfficeFactory* factory, const ExportSource& source,
                    const QString& path);

// The font a row is set in. Office programs choose a face by family name plus bold and
// italic, so a full name such as "DejaVu Sans Bold" would fall back to another face: the row
// takes its face's family name and style bits from the fill's facts, or from the file when the
// fill has none for it. A face without a family name keeps the full name, neither bold nor italic.
office::TextFont rowFont(FileSystem& files, FontSystem& fonts, const FactsByFace& facts, const QString& fullName,
                         const FontFace& face);

}  // namespace exporting
