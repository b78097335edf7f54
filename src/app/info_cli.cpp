// typorama --info: the details of one face of a font file.
#include "app/cli.h"

#include "core/list_escape.h"
#include "fontfile/details_text.h"
#include "fontfile/load_face_details.h"
#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <cerrno>

int printFaceInfo(AppServices& services, const QString& path, uint32_t face, bool json, std::FILE* out,
                  std::FILE* err) {
  QString failure;
  // Names in the process locale, as --list reads them.
  const auto details = loadFaceDetails(services.fs, services.fonts, path, face, services.fonts.localeId(), &failure);
  if (!details) {
    const std::string line = "typorama: " + escapeListField(pathToBytes(path)) + ": " + failure.toStdString() + '\n';
    std::fwrite(line.data(), 1, line.size(), err);
    return 1;
  }
  std::string text;
  if (json) {
    text = detailsJson(*details, path, face) + '\n';
  } else {
    // A path's bytes that are not UTF-8 are written as they are, as --list writes them.
    appendPathBytes(text, detailsText(detailFields(*details, path, face)));
  }
  if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0 && !std::ferror(out))
    return 0;
  std::fprintf(err, "typorama: cannot write the details: %s\n", qUtf8Printable(FileStatus::fromErrno(errno).reason));
  return 1;
}
