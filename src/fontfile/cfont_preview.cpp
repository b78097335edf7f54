#include "fontfile/cfont_preview.h"

#include "core/runtime_error.h"

namespace {
QString toQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

// Name IDs of the string properties.
enum : uint16_t {
  kCopyright = 0, kFamily = 1, kSubFamily = 2, kUniqueId = 3,
  kFullName = 4, kVersion = 5, kPostscript = 6, kTrademark = 7,
};
}  // namespace

CFontPreview::CFontPreview(FileSystem& files, FontSystem& fonts)
    : CFontPreview(files, fonts, fonts.localeId()) {}

CFontPreview::CFontPreview(FileSystem& files, FontSystem& fonts, int32_t localeId)
    : files_(files), fonts_(fonts), LocaleId(localeId) {}

CFontPreview::~CFontPreview() {
  try {
    UnloadPreviewFont();
  } catch (...) {
    // A destructor must not throw; the font system reports nothing worth stopping for here.
  }
}

void CFontPreview::setBroadcast(bool flag) { Broadcast_ = flag; }
bool CFontPreview::Broadcast() const { return Broadcast_; }

void CFontPreview::setFontFile(const QString& path) { OpenAndRead(path, std::nullopt); }

void CFontPreview::setFontFileFace(const QString& path, uint32_t face) { OpenAndRead(path, face); }

void CFontPreview::OpenAndRead(const QString& path, std::optional<uint32_t> face) {
  UnloadPreviewFont();
  if (path.isEmpty()) return;
  // The open (with its fstat) answers "is it an existing file" for every readable file; only
  // a path that cannot be opened as a regular file needs the separate existence test.
  truetype::FileByteSource file;
  const bool opened = file.open(files_, path);
  if (!opened && !IsExistingFile(path)) return;
  FontFile_ = path;
  if (opened) ReadFontTables(file, face);  // a partial parse still leaves whatever it read usable
  file.close();
  ProbeFace();
}

void CFontPreview::setFontFile(const QString& path, const truetype::FontTablesState& tables) {
  UnloadPreviewFont();
  if (path.isEmpty()) return;
  FontFile_ = path;
  ValidTrueTypeFile_ = tables.validTrueTypeFile;
  NameRecords = tables.nameRecords;
  NameStrings = tables.nameStrings;
  Os2Info = tables.os2Info;
  ProbeFace();
}

void CFontPreview::setUnknownFontFile(const QString& path, const truetype::FontTablesState& tables) {
  const bool probe = faceProbe_;
  faceProbe_ = false;
  setFontFile(path, tables);
  faceProbe_ = probe;
  if (!path.isEmpty()) ProbeFace(true);
}

void CFontPreview::ProbeFace(bool knownUnknown) {
  if (!faceProbe_) return;
  Installed_ = !knownUnknown && ResolveFaceName();
  if (!Installed_) {
    LoadPreviewFont(FontFile_);
    ResolveFaceName();  // only sets FaceName; the face was not known before
  }
}

QString CFontPreview::FontFile() const { return FontFile_; }
bool CFontPreview::Bold() const { return IsBitSet(Os2Info.fsSelection, truetype::kBoldBit); }
QString CFontPreview::Copyright() const { return GetNameString(kCopyright); }
QString CFontPreview::FaceName() const { return FaceName_; }
QString CFontPreview::FamilyName() const { return GetNameString(kFamily); }
QString CFontPreview::FullName() const { return GetNameString(kFullName); }
bool CFontPreview::Installed() const { return Installed_; }
bool CFontPreview::Italic() const { return IsBitSet(Os2Info.fsSelection, truetype::kItalicBit); }
bool CFontPreview::StrikeOut() const { return IsBitSet(Os2Info.fsSelection, truetype::kStrikeoutBit); }
QString CFontPreview::SubFamilyName() const { return GetNameString(kSubFamily); }
QString CFontPreview::PostscriptName() const { return GetNameString(kPostscript); }
QString CFontPreview::Trademark() const { return GetNameString(kTrademark); }
bool CFontPreview::Underlined() const { return IsBitSet(Os2Info.fsSelection, truetype::kUnderscoreBit); }
QString CFontPreview::UniqueIdentifier() const { return GetNameString(kUniqueId); }
bool CFontPreview::ValidTrueTypeFile() const { return ValidTrueTypeFile_; }
QString CFontPreview::VersionString() const { return GetNameString(kVersion); }

bool CFontPreview::LoadPreviewFont(const QString& path) {
  // Known by its own family name while loaded, as Windows would know it: the next copy of an
  // unknown face then finds it and loads nothing.
  if (!fonts_.loadPreviewFont(path, FamilyName())) return false;
  previewLoadedPath_ = path;
  // Broadcast_ would announce the change to other windows; on Linux other programs learn of
  // fonts through fontconfig, and a preview load is private to this process anyway.
  return true;
}

QString CFontPreview::GetNameString(uint16_t nameID) const {
  if (!NameRecords) throw errors::subscriptOutOfRange();
  return toQString(truetype::selectedNameView(*NameRecords, NameStrings, nameID, LocaleId));
}

bool CFontPreview::ReadFontTables(truetype::ByteSource& file, std::optional<uint32_t> face) {
  // POSIX has no share modes, so "deny write to others" has no counterpart; the file is read
  // in a handful of small reads while it is open.
  uint32_t directoryOffset = 0;
  if (face) {
    const auto directories = truetype::readCollectionDirectories(file);
    FaceCount_ = directories ? static_cast<uint32_t>(directories->size()) : 1;
    if (*face >= FaceCount_) return false;
    if (directories) directoryOffset = (*directories)[*face];
  }
  truetype::FontTablesState state;
  state.validTrueTypeFile = ValidTrueTypeFile_;
  state.nameRecords = std::move(NameRecords);
  state.nameStrings = std::move(NameStrings);
  state.os2Info = Os2Info;
  const bool complete = truetype::readFontTables(file, state, LocaleId, truetype::kAllNameIds, directoryOffset);
  ValidTrueTypeFile_ = state.validTrueTypeFile;
  NameRecords = std::move(state.nameRecords);
  NameStrings = std::move(state.nameStrings);
  Os2Info = state.os2Info;
  return complete;
}

bool CFontPreview::ResolveFaceName() {
  // Building the names may fail with error 9; that goes to the caller (from the family name:
  // the others fail only when it does).
  const QString family = FamilyName();
  std::optional<QString> known = KnownFaceName(fonts_, family, SubFamilyName(), FullName());
  if (!known) return false;
  FaceName_ = std::move(*known);
  return true;
}

std::optional<QString> CFontPreview::KnownFaceName(FontSystem& fonts, const QString& family, const QString& subfamily,
                                    const QString& fullName) {
  for (int k = 0; k < 3; ++k) {
    const QString candidate = k == 0 ? family : k == 1 ? family + QLatin1Char(' ') + subfamily : fullName;
    try {
      if (fonts.faceExists(candidate)) return candidate;
    } catch (...) {
      // A failing probe counts as "not this name".
    }
  }
  return std::nullopt;
}

bool CFontPreview::UnloadPreviewFont() {
  if (previewLoadedPath_) {
    const QString path = *previewLoadedPath_;
    previewLoadedPath_.reset();
    fonts_.unloadPreviewFont(path);
  }
  if (!FaceName_.isEmpty() && !Installed_) {
    FaceName_.clear();
    ValidTrueTypeFile_ = false;
  }
  return false;
}

bool CFontPreview::IsBitSet(uint16_t value, int bit) { return truetype::isBitSet(value, bit); }

bool CFontPreview::IsExistingFile(const QString& path) const {
  // Anything but a folder, links followed: a dangling link does not exist.
  if (path.isEmpty() || !files_.lastModified(path)) return false;
  const auto attributes = files_.attributes(path);
  return attributes && !(*attributes & fileattr::Directory);
}
