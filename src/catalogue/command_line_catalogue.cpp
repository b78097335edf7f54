#include "catalogue/command_line_catalogue.h"

#include "catalogue/catalogue_fill.h"
#include "core/error_trap.h"
#include "core/list_escape.h"
#include "core/runtime_error.h"
#include "platform/path_codec.h"

namespace {
// The collection's statement that lists a folder; the others work on one file.
constexpr int kListFolderLine = 108;

QString failureReason(int number, const QString& description, int line) {
  if (line == kListFolderLine) return QStringLiteral("cannot be listed: ") + description;
  // The name lookups fail so when the file gave no name table: it is no font we can use.
  if (number == errors::subscriptOutOfRange().number)
    return QStringLiteral("not a usable font file (no name table could be read)");
  return QStringLiteral("cannot be read: ") + description;
}
}  // namespace

CommandLineCatalogue::CommandLineCatalogue(AppServices& services, const QString& filter, FontFormats formats,
                                           std::FILE* err, ScanTrace* trace)
    : pins_(services.fonts) {
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.LoadFonts"));
  QString reported;
  trap.setReporter([&](int number, const QString& description, int line) {
    const QString& subject = trap.subject();
    // A file that fails to read fails each later statement too: one line tells it.
    if (!subject.isEmpty() && subject == reported) return;
    reported = subject;
    ++failures;
    std::string text = "typorama: ";
    const QString reason = subject.isEmpty() ? description : failureReason(number, description, line);
    if (!subject.isEmpty()) text += escapeListField(pathToBytes(subject)) + ": ";
    text += escapeListField(reason.toStdString());
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), err);
    std::fflush(err);
  });
  collectCatalogue(services, trap, list, filter, formats, facts, pins_, {}, true, CatalogueFor::CommandLine, trace);
}
