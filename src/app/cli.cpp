#include "app/cli.h"

#include "app/where_cli.h"

#include "core/catalogue_entry.h"
#include "core/list_escape.h"
#include "core/sample_settings.h"
#include "catalogue/catalogue_cache.h"
#include "catalogue/command_line_catalogue.h"
#include "catalogue/fill_grid.h"
#include "catalogue/snapshot.h"
#include "export/export_cli.h"
#include "ops/font_commands_cli.h"
#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <future>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
const char kUsage[] =
    "Usage: typorama [OPTION]\n"
    "Looks through and manages the TrueType fonts of this computer.\n"
    "Without options the main window opens.\n\n"
    "  --list [--filter TEXT]   print the catalogue: number, full name, bold, italic,\n"
    "                           underline, strike-out (0 or 1) and path, tab-separated;\n"
    "                           in names and paths a backslash, tab, newline and carriage\n"
    "                           return read \\\\, \\t, \\n and \\r, other control characters \\xHH\n"
    "    --json                 one JSON object a row instead, with every detail of the face\n"
    "    --where TERM[,TERM...] only the faces that hold every term (!TERM: that do not):\n"
    "                           mono, variable, italic, bold, cff, weight>=N, weight<=N,\n"
    "                           weight=N (the same for width), lang=TAG, script=TAG,\n"
    "                           feature=TAG, embedding=installable|restricted|print|editable,\n"
    "                           vendor=ID, KEY~TEXT (KEY a text key of --json)\n"
    "  --install FILE...        copy each font file into the fonts folder and install it\n"
    "  --remove PATH...         uninstall each font file of the catalogue and delete it\n"
    "                           (PATH as --list prints it, or as the file is named)\n"
    "  --export FILE [--filter TEXT] [--force]\n"
    "                           write the catalogue to a spreadsheet (.xls, .xlsx) or a\n"
    "                           document (.doc, .docx, .rtf); an existing file is replaced\n"
    "                           only with --force\n"
    "  --all-formats            with any of the four above: OpenType and collection files\n"
    "                           (.otf, .ttc, .otc) too, one row per face of a collection;\n"
    "                           --list then adds the face's index in its file as an eighth field\n"
    "  --sample TEXT            with --export or --list --json: the sample text of every\n"
    "                           row (\"AaBbCc123\" without it); --list --json then adds\n"
    "                           \"sample\", the text the row shows\n"
    "  --own-script             with --export or --list --json: a face that cannot draw the\n"
    "                           sample shows its own sample text, a sample of a script it\n"
    "                           covers, or the first characters it holds\n"
    "  --no-cache               read every font file afresh, neither reading nor writing the\n"
    "                           cache of what earlier runs read (the window takes it too)\n"
    "  --info FILE [--face N] [--json]\n"
    "                           print what the font file's face N (default 0) holds: its\n"
    "                           names, format, style, dates, axes, scripts, features,\n"
    "                           languages and spacing, one \"Label: value\" a line, or with\n"
    "                           --json one JSON object\n"
    "  --help                   show this text\n"
    "  --version                show the version\n";

int usageError(const QString& message) {
  std::fprintf(stderr, "typorama: %s\n%s", qUtf8Printable(message), kUsage);
  return 2;
}
}  // namespace

bool isCommandLineMode(const QStringList& arguments) { return arguments.size() > 1; }

namespace {
// Takes --all-formats out of a mode's arguments, wherever it stands.
FontFormats takeFormats(QStringList& arguments) {
  return arguments.removeAll(QStringLiteral("--all-formats")) > 0 ? FontFormats::All : FontFormats::TrueType;
}

// Takes --sample TEXT and --own-script out of a mode's arguments: the sample they ask for,
// nothing without them; a text that cannot be a sample gives `error`.
std::optional<SampleSettings> takeSample(QStringList& arguments, QString& error) {
  std::optional<SampleSettings> sample;
  if (arguments.removeAll(QStringLiteral("--own-script")) > 0) sample.emplace().ownScript = true;
  const qsizetype at = arguments.indexOf(QStringLiteral("--sample"));
  if (at < 0) return sample;
  if (at + 1 >= arguments.size()) {
    error = QStringLiteral("--sample needs a text");
    return sample;
  }
  if (!sample) sample.emplace();
  sample->text = arguments.takeAt(at + 1);
  arguments.removeAt(at);
  const QString problem = sampleTextProblem(sample->text);
  if (!problem.isEmpty()) error = QStringLiteral("--sample: ") + problem;
  return sample;
}
}  // namespace

void keepOnlyOwnMessages() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // A fatal message comes just before the program stops: it stays, whoever sends it.
    if (type == QtFatalMsg || QByteArrayView(context.category).startsWith("typorama."))
      std::fprintf(stderr, "typorama: %s\n", qUtf8Printable(message));
  });
}

bool isCoreOnlyMode(const QStringList& arguments) {
  // Installing and removing register fonts with Qt's font database; an export keeps the GUI
  // application it has always had.
  const QString mode = arguments.value(1);
  return mode == QLatin1String("--list") || mode == QLatin1String("--info") || mode == QLatin1String("--help") ||
         mode == QLatin1String("-h") || mode == QLatin1String("--version");
}


int listCatalogue(AppServices& services, const QString& filter, FontFormats formats, std::FILE* out) {
  std::string rows;  // written 64 KiB at a time
  bool written = true;
  const auto writeRows = [&] {
    written = written && std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    rows.clear();
    return written;  // the reason is reported below
  };
  const auto finished = [&] {
    writeRows();
    if (std::fflush(out) == 0 && !std::ferror(out)) return 0;
    const QString reason = FileStatus::fromErrno(errno).reason;
    std::fprintf(stderr, "typorama: cannot write the list: %s\n", qUtf8Printable(reason));
    return 1;
  };
  const bool everyFormat = formats == FontFormats::All;
  // The whole catalogue, with no folder and no file changed since it was last listed, is printed
  // as it was then, without a scan or a read.
  const bool whole = filter.isEmpty();
  if (whole) {
    rows = CommandLineCatalogue::rowsOfSnapshot(services, formats);
    if (!rows.empty()) return finished();
  }
  if (services.catalogueCache) services.catalogueCache->indexAhead();
  const CommandLineCatalogue catalogue(services, filter, formats, stderr, whole);
  const ListBox& list = catalogue.list;
  const FactsByFace& facts = catalogue.facts;
  if (list.ListCount() == 0) {
    std::fprintf(stderr, "typorama: %s\n", qUtf8Printable(noFontsFoundLine()));
    return 1;
  }
  const FontFacts none;
  std::string pathBytes;
  for (int i = 0; i < list.ListCount(); ++i) {
    // The name and the path are views of the sorted entry: neither is copied.
    const QString& text = list.List(i);
    const QStringView path = list.ItemPathView(i);
    const uint32_t face = list.ItemFace(i);
    const QStringView name = QStringView(text).first(text.size() - path.size() - kEntrySeparator.size());
    const auto found = facts.constFind({QString::fromRawData(path.data(), path.size()), face});
    pathBytes.clear();
    appendPathBytes(pathBytes, path);
    appendListRow(rows, i + 1, name, found != facts.cend() ? *found : none, pathBytes,
                  everyFormat ? std::optional<uint32_t>(face) : std::nullopt);
    if (rows.size() >= 64 * 1024 && !writeRows()) break;
  }
  return finished();
}

namespace {
int listMode(AppServices& services, QStringList rest) {
  const FontFormats formats = takeFormats(rest);
  QString error;
  const std::optional<SampleSettings> sample = takeSample(rest, error);
  if (!error.isEmpty()) return usageError(error);
  QString filter;
  std::optional<QString> where;
  bool json = false;
  for (qsizetype i = 0; i < rest.size(); ++i) {
    const QString& a = rest.at(i);
    if (a == QLatin1String("--filter") && i + 1 < rest.size()) filter = rest.at(++i);
    else if (a == QLatin1String("--where") && i + 1 < rest.size()) where = rest.at(++i);
    else if (a == QLatin1String("--json")) json = true;
    else return usageError(QStringLiteral("unknown option for --list: ") + a);
  }
  if (sample && !json) return usageError(QStringLiteral("--sample and --own-script go with --list --json"));
  if (!where && !json) return listCatalogue(services, filter, formats, stdout);
  const std::optional<FaceQuery> query = FaceQuery::parse(where.value_or(QString()), &error);
  if (!query) return usageError(error);
  return listWithDetails(services, filter, formats, *query, json, stdout, sample);
}
}  // namespace

std::optional<int> runCommandLine(const QStringList& arguments, AppServices& services) {
  if (arguments.size() <= 1) return std::nullopt;
  const QString mode = arguments.at(1);
  if (mode == QLatin1String("--help") || mode == QLatin1String("-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (mode == QLatin1String("--version")) {
    std::printf("typorama %s\n", qUtf8Printable(QCoreApplication::applicationVersion()));
    return 0;
  }
  QStringList rest = arguments.mid(2);
  if (mode == QLatin1String("--list")) return listMode(services, rest);
  if (mode == QLatin1String("--install") || mode == QLatin1String("--remove")) {
    const FontFormats formats = takeFormats(rest);
    if (rest.isEmpty()) return usageError(mode + QStringLiteral(" needs at least one file"));
    return mode == QLatin1String("--install") ? installFontsFromCommandLine(services, rest, formats, stdout, stderr)
                                              : removeFontsFromCommandLine(services, rest, formats, stdout, stderr);
  }
  if (mode == QLatin1String("--export")) {
    const FontFormats formats = takeFormats(rest);
    QString error;
    const SampleSettings sample = takeSample(rest, error).value_or(SampleSettings());
    if (!error.isEmpty()) return usageError(error);
    QString path, filter;
    bool force = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
      const QString& a = rest.at(i);
      if (a == QLatin1String("--filter") && i + 1 < rest.size()) filter = rest.at(++i);
      else if (a == QLatin1String("--force")) force = true;
      else if (path.isEmpty() && !a.startsWith(QLatin1String("--"))) path = a;
      else return usageError(QStringLiteral("unknown option for --export: ") + a);
    }
    if (path.isEmpty()) return usageError(QStringLiteral("--export needs a file"));
    return exportCatalogue(services, path, filter, formats, force, stderr, sample);
  }
  if (mode == QLatin1String("--info")) {
    QString path;
    std::optional<uint32_t> face;
    bool json = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
      const QString& a = rest.at(i);
      if (a == QLatin1String("--face") && !face) {
        const QString n = rest.value(++i);
        bool ok = !n.isEmpty() && std::all_of(n.begin(), n.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const uint index = ok ? n.toUInt(&ok) : 0;
        if (!ok) return usageError(QStringLiteral("--face needs the face's index, a number from 0: ") + n);
        face = index;
      } else if (a == QLatin1String("--json") && !json) {
        json = true;
      } else if (path.isEmpty() && !a.startsWith(QLatin1String("--"))) {
        path = a;
      } else {
        return usageError(QStringLiteral("unknown option for --info: ") + a);
      }
    }
    if (path.isEmpty()) return usageError(QStringLiteral("--info needs a font file"));
    return printFaceInfo(services, path, face.value_or(0), json, stdout, stderr);
  }
  return usageError(QStringLiteral("unknown option: ") + mode);
}
