#include "fontfile/load_face_details.h"

#include "fontfile/truetype_tables.h"
#include "platform/file_status.h"

#include <cerrno>

static_assert(int(FaceSpacing::Dual) == int(truetype::Spacing::Dual) &&
              int(FaceSpacing::Mono) == int(truetype::Spacing::Mono) &&
              int(FaceSpacing::Charcell) == int(truetype::Spacing::Charcell));

std::optional<truetype::FaceDetails> loadFaceDetails(FileSystem& fs, FontSystem& fonts, const QString& path,
                                                     uint32_t face, int32_t localeId, QString* failure,
                                                     Identity* identity) {
  const auto fail = [&](const QString& why) {
    if (failure) *failure = why;
    return std::nullopt;
  };
  truetype::FileByteSource file;
  errno = 0;
  if (!file.open(fs, path)) {
    // A folder or a device opens, and is refused as no regular file without an errno.
    return fail(errno ? QStringLiteral("cannot be read: ") + FileStatus::fromErrno(errno).reason
                      : QStringLiteral("not a regular file"));
  }
  uint32_t faces = 0;
  const auto directoryOffset = truetype::faceDirectoryOffset(file, face, &faces);
  if (!directoryOffset) {
    return fail(faces == 0 ? QStringLiteral("not a usable font file")
                           : QStringLiteral("has no face %1 (it holds %2)").arg(face).arg(faces));
  }
  truetype::FaceDetails details;
  if (!truetype::readFaceDetails(file, *directoryOffset, localeId, details))
    return fail(QStringLiteral("not a usable font file"));
  details.fileSize = file.size();
  if (identity && file.identity()) *identity = *file.identity();
  if (const auto traits = fonts.faceTraits(path, face)) {
    details.spacing = static_cast<truetype::Spacing>(traits->spacing);
    details.languages = traits->languages;
  }
  return details;
}
