#include "ops/font_commands_cli.h"

#include "core/list_escape.h"
#include "core/runtime_error.h"
#include "catalogue/command_line_catalogue.h"
#include "fsys/mod_fonts.h"
#include "ops/font_operations.h"
#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <QDir>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
void writeLine(std::FILE* out, const QString& prefix, const QString& path, const QString& suffix = {}) {
  const std::string bytes = pathToBytes(path);
  std::fputs(qUtf8Printable(prefix), out);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fputs(qUtf8Printable(suffix), out);
  std::fputc('\n', out);
  std::fflush(out);
}

// One line per problem whatever the name holds: the path is escaped as --list escapes it.
void fail(std::FILE* err, const QString& path, const QString& reason) {
  const std::string line = "typorama: " + escapeListField(pathToBytes(path)) + ": " + reason.toStdString() + '\n';
  std::fwrite(line.data(), 1, line.size(), err);
  std::fflush(err);
}

// Why a file of ours could not be deleted: deleting needs write access to its folder.
QString deletionObstacle(const QString& path) {
  const std::string folder = pathToBytes(path.left(path.lastIndexOf(QLatin1Char('/')) + 1));
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return FileStatus::fromErrno(errno).reason;
  return QStringLiteral("the file system refused it");
}

QString absoluteClean(const QString& path) {
  if (path.startsWith(QLatin1Char('/'))) return QDir::cleanPath(path);
  return QDir::cleanPath(QDir::currentPath() + QLatin1Char('/') + path);
}

// The font files the catalogue shows, the only files --remove will delete.
QSet<QString> catalogueFiles(AppServices& services, FontFormats formats, std::FILE* err) {
  const CommandLineCatalogue catalogue(services, QString(), formats, err);
  QSet<QString> files;
  for (int i = 0; i < catalogue.list.ListCount(); ++i)
    files.insert(QDir::cleanPath(catalogue.list.ItemPath(i)));
  return files;
}
}  // namespace

int installFontsFromCommandLine(AppServices& services, const QStringList& files, FontFormats formats,
                                std::FILE* out, std::FILE* err) {
  int status = 0;
  for (const QString& file : files) {
    const FontInstall install = tryInstallFontFile(services.fs, services.fonts, file, formats);
    if (install.installed()) {
      writeLine(out, QStringLiteral("Installed "), install.target);
    } else {
      fail(err, file, install.failure);
      status = 1;
    }
  }
  return status;
}

int removeFontsFromCommandLine(AppServices& services, const QStringList& paths, FontFormats formats,
                               std::FILE* out, std::FILE* err) {
  const QSet<QString> catalogue = catalogueFiles(services, formats, err);
  int status = 0;
  for (const QString& given : paths) {
    QString path = absoluteClean(given);
    if (!catalogue.contains(path)) {
      // A path as --list prints it, with its control characters escaped.
      if (const auto bytes = unescapeListField(pathToBytes(given)))
        path = absoluteClean(pathFromBytes(*bytes));
    }
    if (!catalogue.contains(path)) {
      fail(err, given, QStringLiteral("not a font file of the catalogue (see typorama --list); nothing was removed"));
      status = 1;
    } else if (!UnregisterFontResource(services.fonts, fileNameOf(path))) {
      fail(err, given, QStringLiteral("the font system does not know this font; the file was left in place"));
      status = 1;
    } else if (!deleteFontFile(services.fs, services.yielder, path)) {
      // Fonts leave the system's font list only with their file, so nothing has changed.
      fail(err, given, QStringLiteral("the file could not be deleted (%1); the font is still installed")
                           .arg(deletionObstacle(path)));
      status = 1;
    } else {
      writeLine(out, QStringLiteral("Removed "), path);
    }
  }
  return status;
}
