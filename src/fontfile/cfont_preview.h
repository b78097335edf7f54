#pragma once
// CFontPreview: the identifying metadata of one TrueType file (its eight standard names, four
// style bits and a validity flag), and a temporary preview registration of the file when the
// system does not know its face, so the catalogue can draw a sample in it.
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"
#include "platform/font_system.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CFontPreview {
 public:
  CFontPreview(FileSystem& files, FontSystem& fonts);  // Class_Initialize
  // The same in a given locale: readers of tables read ahead in that locale, one per file of a
  // fill, select their names in it too (and need not ask the system for it each time).
  CFontPreview(FileSystem& files, FontSystem& fonts, int32_t localeId);
  ~CFontPreview();                           // Class_Terminate
  CFontPreview(const CFontPreview&) = delete;
  CFontPreview& operator=(const CFontPreview&) = delete;

  // Off for a reader whose face is never drawn: setting the file then neither asks the font
  // database for the face nor registers the file for a preview, and Installed() stays false.
  // On at creation.
  void setFaceProbe(bool on) { faceProbe_ = on; }
  // Announce font-table changes to other windows (no effect on Linux). False at creation.
  void setBroadcast(bool flag);
  bool Broadcast() const;
  // Setting the path reads the whole file. Throws RuntimeError 9 when the file yields no
  // name records (not a TrueType file, no magic number, no name table, a read error).
  void setFontFile(const QString& path);
  // The same on a new reader, for a file whose tables were already read (in this reader's
  // locale) from the opened file at path: only the face probe and preview registration remain.
  // A name the read did not decode reads as empty. The tables are copied: they stay with the
  // caller, whose thread may be the one to free them.
  void setFontFile(const QString& path, const truetype::FontTablesState& tables);
  // The same for a face whose names KnownFaceName has just found unknown to the system: they
  // are not asked for again before the file is registered for its preview.
  void setUnknownFontFile(const QString& path, const truetype::FontTablesState& tables);
  // The same for one face of a font file of any kind: face `face` of a collection, or the
  // single face (0) of any other file. A face the file does not have gives no name records.
  void setFontFileFace(const QString& path, uint32_t face);
  // The faces of the file that setFontFileFace read: a collection's (at most
  // truetype::kMaxCollectionFaces), 1 for any other file.
  uint32_t FaceCount() const { return FaceCount_; }
  QString FontFile() const;
  bool Bold() const;
  QString Copyright() const;  // the string getters throw RuntimeError 9 likewise
  QString FaceName() const;
  QString FamilyName() const;
  QString FullName() const;
  bool Installed() const;
  // The probe of a face by its names, as setting a file makes it: the first of the family, the
  // family and subfamily and the full name that the font system knows; none when it knows none
  // (a failing look-up counts as "not this name"). A face it knows is then Installed().
  static std::optional<QString> KnownFaceName(FontSystem& fonts, const QString& family, const QString& subfamily,
                               const QString& fullName);
  bool Italic() const;
  bool StrikeOut() const;
  QString SubFamilyName() const;
  QString PostscriptName() const;
  QString Trademark() const;
  bool Underlined() const;
  QString UniqueIdentifier() const;
  bool ValidTrueTypeFile() const;
  QString VersionString() const;

 private:
  bool LoadPreviewFont(const QString& path);
  QString GetNameString(uint16_t nameID) const;
  void OpenAndRead(const QString& path, std::optional<uint32_t> face);
  bool ReadFontTables(truetype::ByteSource& file, std::optional<uint32_t> face);
  bool ResolveFaceName();
  void ProbeFace(bool knownUnknown = false);
  bool UnloadPreviewFont();
  static bool IsBitSet(uint16_t value, int bit);
  bool IsExistingFile(const QString& path) const;

  FileSystem& files_;
  FontSystem& fonts_;

  bool faceProbe_ = true;
  bool Broadcast_ = false;
  QString FontFile_;
  QString FaceName_;
  int32_t LocaleId = 0;
  bool Installed_ = false;
  bool ValidTrueTypeFile_ = false;
  std::optional<std::vector<truetype::NameRecord>> NameRecords;
  truetype::Os2Info Os2Info;
  std::vector<std::u16string> NameStrings;
  uint32_t FaceCount_ = 1;

  // The file this object put into the font table, if any. Kept apart from FaceName so that a
  // file the system accepted but under none of the probed names is still taken out again.
  std::optional<QString> previewLoadedPath_;
};
