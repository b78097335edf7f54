#pragma once
// The fonts folder, the font table and the font database, as the program needs them.
#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// True when the file holds at least one face that the font engine can use.
bool fontFileHasFaces(const QString& path);

// What the font system judges of a face from its glyphs (fontconfig: FC_SPACING and FC_LANG).
enum class FaceSpacing { Proportional, Dual, Mono, Charcell };
struct FaceTraits {
  FaceSpacing spacing = FaceSpacing::Proportional;
  QList<QByteArray> languages;  // the system's language tags ("de", "zh-cn"), sorted
  bool operator==(const FaceTraits&) const = default;
};

class FontSystem {
 public:
  virtual ~FontSystem() = default;
  // A special folder (20 = the fonts folder, 0x1C = the user's local application data, where
  // caches go) ending in "/", or "" when there is none.
  virtual QString specialFolder(int csidl) = 0;
  // The other font folders the font configuration names and that exist, each ending in "/".
  virtual QStringList otherFontFolders() = 0;
  // Installs a font file for every program: true when it holds at least one usable face.
  virtual bool registerFontResource(const QString& path) = 0;
  // True when the file holds a face that registerFontResource would accept; installs nothing.
  // Lets a copy be checked before it replaces a font of the same name.
  virtual bool isUsableFontFile(const QString& path) { return fontFileHasFaces(path); }
  // Takes a font file (full path or bare file name) out of the font table.
  virtual bool unregisterFontResource(const QString& pathOrName) = 0;
  // The locale id of the process locale (0x0409 for en_US), 0x0409 when unknown.
  virtual int32_t localeId() = 0;
  // Exact, case-sensitive lookup of a family name in the font database.
  virtual bool faceExists(const QString& face) = 0;
  // Makes a file that the system does not know usable for drawing in this process.
  // Loads are counted per file; each successful load needs one unload. While loaded, the file's
  // faces exist under the names the system gives them and under `family`, the family its own
  // name table gives (when not empty): Windows knows a loaded file by the latter, where
  // fontconfig may list another spelling ("Noto Sans MeeteiMayek" as "Noto Sans Meetei Mayek").
  virtual bool loadPreviewFont(const QString& path, const QString& family) = 0;
  virtual bool unloadPreviewFont(const QString& path) = 0;
  // The face a grid cell names: a family name first, else a full name resolved to its
  // family and style. Nothing when no such face is known.
  virtual std::optional<QFont> resolveFace(const QString& name) = 0;
  // The family that upright text asked for in `family` (no style hint) is drawn in: `family`
  // itself when it has faces, else the one the font database falls back to. Windows ask for
  // families that may not exist here, and the database finds the fallback by sorting every
  // installed face.
  virtual QString drawnFamily(const QString& family) { return family; }
  // Starts looking up, beside the caller, what the first drawnFamily calls for `families` will
  // need, while the caller builds Qt's font database.
  virtual void prepareDrawnFamilies(const QStringList& families) { (void)families; }
  // The spacing and languages of face `face` (its index in a collection, else 0) of the file, as
  // the system judges them: its own answer where it already knows the face, else worked out
  // from the file the same way. Nothing where the system cannot tell.
  virtual std::optional<FaceTraits> faceTraits(const QString& path, uint32_t face) {
    (void)path;
    (void)face;
    return std::nullopt;
  }
};
