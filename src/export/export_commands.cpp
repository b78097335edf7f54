#include "export/export_commands.h"

#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "core/app_title.h"
#include "core/runtime_error.h"
#include "export/export_driver.h"
#include "fsys/file_queries.h"

#include <QSet>

namespace exporting {
namespace {

// Explorer-style dialog with long names, multiple selection and the read-only box ticked;
// no overwrite prompt of its own, because the command asks that question itself.
constexpr long kSaveDialogFlags = ofn::Explorer | ofn::LongNames | ofn::AllowMultiSelect | ofn::ReadOnly;
static_assert(kSaveDialogFlags == 2621953);

const QString kCancelCaption = QStringLiteral("Cancel Export");

// One export button: its texts and the lines its error boxes name where the two routines differ.
struct ExportButton {
  int number;
  QString caption;
  QString location;
  QString fileName;
  QString filter;
  int yieldLine;       // Word lets clicks run between the caption and the hourglass; 0: it does not
  int hourglassLine;
  int resetLine;       // the pointer and the bar put back once the application quit
  int doneLine;
  int pointerLine;     // Excel puts the pointer back once more after "Done."; 0: it does not
  int clickResetLine;  // the click's own reset, five statements two lines apart
  std::unique_ptr<OfficeSink> (*sink)();
};

const ExportButton kExcel{8, QStringLiteral("Export Fonts To Excel"), QStringLiteral("Form1.PushButton8_Click"),
                          QStringLiteral("Fonts.xls"), QStringLiteral("Excel files (*.xls)|*.xls|"),
                          0, 120, 152, 156, 158, 160, &spreadsheetSink};
const ExportButton kWord{6, QStringLiteral("Export Fonts To Word"), QStringLiteral("Form1.PushButton6_Click"),
                         QStringLiteral("Fonts.doc"), QStringLiteral("Word files (*.doc)|*.doc|"),
                         122, 124, 158, 162, 0, 166, &documentSink};

// "Exporting font 3 from 10"
QString progressText(int number, int count) {
  return QStringLiteral("Exporting font ") + QString::number(number) + QStringLiteral(" from ") +
         QString::number(count);
}

// The window's error trap. Statements run once per font report a failure only the first time
// its error number occurs in the run; later failures with that number pass quietly, so an
// office application that fails on every font shows one box, not one per font. Between fonts
// clicks run, a cancel among them, and the bar shows the progress.
class WindowSteps : public Steps {
 public:
  WindowSteps(MainView& view, const QString& location) : view_(view), trap_(view.services().prompts, location) {}

  bool operator()(int line, const std::function<void()>& statement) override { return trap_(line, statement); }

  bool perFont(int line, const std::function<void()>& statement) override {
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

  bool beforeFont(int line, int i) override {
    perFont(line, [&] { view_.services().yielder.yield(); });
    if (view_.flags().CancelRequested) return false;
    const int m = view_.list().ListCount();
    perFont(line + 4, [&] { view_.progressBar().setValue(progressPercent(i, m)); });
    perFont(line + 6, [&] { view_.progressBar().setText(progressText(i + 1, m)); });
    return true;
  }

 private:
  MainView& view_;
  ErrorTrap trap_;
  QSet<int> reported_;
};

// Sets Busy, asks for the file to write and, when it exists, whether to replace it. Returns
// the path, or "" when nothing is to be written (Busy is then cleared again).
QString chooseExportFile(MainView& view, Steps& trap, const ExportButton& b) {
  AppServices& services = view.services();
  CommandFlags& flags = view.flags();
  CommonDialog& dialog = view.commonDialog();
  QString path;
  MsgResult answer = MsgResult::Yes;
  trap(108, [&] {
    flags.Busy = true;
    flags.CancelRequested = false;
  });
  trap(110, [&] {
    dialog.FileName = b.fileName;
    dialog.Flags = kSaveDialogFlags;
    dialog.Filter = b.filter;
    dialog.ShowSave();
  });
  trap(112, [&] { path = dialog.FileName; });
  if (path.isEmpty()) {
    flags.Busy = false;
    return {};
  }
  trap(116, [&] {
    if (FileExists(services.fs, path))
      answer = services.prompts.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path +
                                               QStringLiteral(" ?"),
                                           appTitle(), MsgButtons::YesNo, MsgIcon::None);
  });
  if (answer != MsgResult::Yes || flags.CancelRequested) {
    flags.Busy = false;
    return {};
  }
  return path;
}

void runExport(MainView& view, Steps& trap, const ExportButton& b) {
  AppServices& services = view.services();
  CommandFlags& flags = view.flags();
  ProgressBar& bar = view.progressBar();

  trap(104, [&] { services.yielder.yield(); });
  if (flags.Busy) return;  // another long command runs
  const QString path = chooseExportFile(view, trap, b);
  if (path.isEmpty()) return;
  trap(120, [&] { view.button(b.number).setCaption(kCancelCaption); });
  if (b.yieldLine) trap(b.yieldLine, [&] { services.yielder.yield(); });
  trap(b.hourglassLine, [&] { view.setMousePointer(pointer::Hourglass); });

  const std::unique_ptr<OfficeSink> sink = b.sink();
  const bool saved =
      writeCatalogue(trap, *sink, services.office, {view.list(), view.catalogueFacts(), services.fs, services.fonts, view.sample()}, path);
  trap(b.resetLine, [&] {
    view.setMousePointer(pointer::Default);
    bar.setValue(0);
    bar.setText(QStringLiteral("Progress Bar"));
  });
  if (!flags.CancelRequested && saved)
    trap(b.doneLine, [&] { services.prompts.messageBox(QStringLiteral("Done."), appTitle(), MsgButtons::Ok, MsgIcon::None); });
  if (b.pointerLine) trap(b.pointerLine, [&] { view.setMousePointer(pointer::Default); });
  flags.Busy = false;
}

void click(MainView& view, const ExportButton& b) {
  WindowSteps trap(view, b.location);
  PushButton& button = view.button(b.number);
  ProgressBar& bar = view.progressBar();
  bool start = false;
  trap(100, [&] { start = button.Caption() == b.caption; });
  if (start) {
    runExport(view, trap, b);
  } else {
    // A click on "Cancel Export": the running export sees the flag after its next yield.
    trap(102, [&] { view.flags().CancelRequested = true; });
  }
  const int line = b.clickResetLine;
  trap(line, [&] { view.setMousePointer(pointer::Default); });
  trap(line + 2, [&] { bar.setValue(0); });
  trap(line + 4, [&] { bar.setText(QStringLiteral("Progress Bar")); });
  trap(line + 6, [&] { view.setMousePointer(pointer::Default); });
  trap(line + 8, [&] { button.setCaption(b.caption); });
}

}  // namespace

void exportToExcel(MainView& view) { click(view, kExcel); }
void exportToWord(MainView& view) { click(view, kWord); }

}  // namespace exporting
