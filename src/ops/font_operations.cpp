#include "ops/font_operations.h"

#include "fsys/file_queries.h"
#include "core/runtime_error.h"
#include "fontfile/byte_source.h"
#include "fontfile/truetype_tables.h"
#include "fsys/add_folder.h"
#include "fsys/mod_fonts.h"

#include <cerrno>

namespace {
// The catalogue lists "*.ttf" files (or those of every format) not starting with "~".
// Dot-files are refused too: the font system (fontconfig) skips them, so other programs would
// never see such a font.
bool isListableName(const QString& name, FontFormats formats) {
  return MatchesFilePattern(name, fontFilePattern(formats)) && !name.startsWith(QLatin1Char('~')) &&
         !name.startsWith(QLatin1Char('.'));
}

// The font engine forgives a table cut short, the catalogue's reader does not.
bool tablesLieInsideFile(FileSystem& fs, const QString& path, FontFormats formats) {
  truetype::FileByteSource file;
  return file.open(fs, path) && truetype::tablesLieInsideSource(file, formats == FontFormats::All);
}
}  // namespace

QString fileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString copyFontToFontsFolder(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats) {
  const QString name = fileNameOf(source);
  if (name.isEmpty()) throw fileError(source, FileStatus::fromErrno(EISDIR), true);
  if (!isListableName(name, formats))
    throw errors::badFileNameOrNumber().withDetail(QStringLiteral(": '%1' (the catalogue lists only %2 files "
                                                                  "whose names start with neither \"~\" nor \".\")")
                                                       .arg(name, formats == FontFormats::All
                                                                      ? QStringLiteral(".ttf, .otf, .ttc and .otc")
                                                                      : QStringLiteral(".ttf")));
  const QString folder = GetFontsFolder(fonts);
  if (folder.isEmpty())
    throw errors::pathNotFound().withDetail(QStringLiteral(": there is no fonts folder (no home folder)"));
  const FileStatus made = fs.createFolderPath(folder);
  if (!made.ok()) throw fileError(folder, made);

  const QString target = folder + name;
  const CheckedCopy copy = fs.copyFileChecked(
      source, target,
      [&](const QString& tempPath) {
        return tablesLieInsideFile(fs, tempPath, formats) && fonts.isUsableFontFile(tempPath);
      });
  if (copy.rejected) return {};
  if (!copy.status.ok()) throw fileError(copy.sourceFailed ? source : target, copy.status, copy.sourceFailed);
  return target;
}

FontInstall installFontFile(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats) {
  FontInstall result;
  result.target = copyFontToFontsFolder(fs, fonts, source, formats);
  if (result.target.isEmpty())
    result.failure = QStringLiteral("not a usable font file; nothing was installed");
  else if (!RegisterFontResource(fonts, result.target))
    result.failure = QStringLiteral("the font system refused the copy at ") + result.target;
  return result;
}

FontInstall tryInstallFontFile(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats) {
  try {
    return installFontFile(fs, fonts, source, formats);
  } catch (const RuntimeError& e) {
    FontInstall result;
    result.failure = e.description;
    return result;
  }
}

bool deleteFontFile(FileSystem& fs, Yielder& yielder, const QString& path) {
  DeleteFileQuietly(fs, yielder, path);
  return !FileExists(fs, path);
}
