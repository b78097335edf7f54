#pragma once
// The list stage of a catalogue: each face of each matched or read file becomes an entry of the
// sorted list when the filter lets it through, with its facts; the records the fill keeps are
// gathered on the way.
#include "catalogue/match_files.h"
#include "catalogue/records.h"
#include "core/error_trap.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fontfile/preview_pins.h"
#include "platform/services_bundle.h"

#include <QLocale>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CFontPreview;
class CatalogueDetails;
class FaceQuery;

// Called for the please-wait text: file i of n in its folder, and whether the fill is filtered.
using PleaseWait = std::function<void(int i, int n, bool filtered)>;

// Whether a full name holds the filter text, letter case ignored the way the user's language sees
// it (in Turkish "I" pairs with the dotless "ı"): both sides are lowered with the user's locale
// rather than a locale-free fold.
class NameFilter {
 public:
  explicit NameFilter(const QString& filter);
  bool filtered() const { return !filter_.isEmpty(); }
  bool holds(const QString& name) const;

 private:
  const QLocale locale_;
  const QString filter_, lowered_;
  bool plainAscii_;  // plain ASCII lowers letter for letter in this language
};

// The records a fill keeps, in its order: those that held and those of files read cleanly now.
// While each one kept is the next of the earlier records (a refill of files that did not change),
// they are only counted, and the earlier records serve again as they are.
class KeptRecords {
 public:
  KeptRecords(std::shared_ptr<const Records> earlier, size_t expected)
      : earlier_(std::move(earlier)), expected_(expected), asEarlier_(earlier_ != nullptr) {}
  uint32_t size() const { return static_cast<uint32_t>(asEarlier_ ? counted_ : own_->files.size()); }
  // An earlier record that held, or a new one.
  void keep(const QString& path, const Record& record);
  void add(const QString& path, Record record);
  Record& at(uint32_t k);
  // The records kept: the earlier ones themselves when every one of them was kept in its turn.
  std::shared_ptr<const Records> result();
  bool asEarlier() const { return asEarlier_; }
  bool changed() const { return changed_; }
  void setChanged() { changed_ = true; }

 private:
  void copyEarlier();
  std::shared_ptr<const Records> earlier_;
  std::shared_ptr<Records> own_ = std::make_shared<Records>();
  size_t expected_;
  bool asEarlier_;
  size_t counted_ = 0;
  bool changed_ = false;
};

class FaceList {
 public:
  struct Target {
    ListBox& list;
    FactsByFace& facts;
    PreviewPins& pins;
    const PleaseWait& pleaseWait;
  };
  // What a face must hold to be listed besides its name's filter: a property search's query, with
  // the details of the faces it is asked of; none by default.
  struct Search {
    const FaceQuery* query = nullptr;
    QString text;  // the query as it was written
    CatalogueDetails* details = nullptr;
  };
  // `previews`: faces are probed and those the system does not know registered for their
  // samples (the window's fill). `earlier`: the records files were matched to.
  FaceList(AppServices& services, ErrorTrap& trap, Target target, const QString& filter, FontFormats formats,
           int32_t localeId, bool previews, std::shared_ptr<const Records> earlier, size_t expectedFiles,
           Search search);

  // Adds the entries of the faces of the file, file i of n in its folder.
  void add(MatchedFile& file, int i, int n);
  // The facts of the faces listed alone stay; they came from `source` when every face its filter
  // let through is listed.
  void finishFacts(bool keepSource);
  KeptRecords& records() { return records_; }
  // The record and face of each entry, in the order they were added.
  const std::vector<std::pair<uint32_t, uint32_t>>& entryFaces() const { return entryFaces_; }
  bool filtered() const { return filter_.filtered() || search_.query; }

 private:
  struct Face;
  std::unique_ptr<CFontPreview> readerFor(const MatchedFile& file, uint32_t face, const RecordFace* kept,
                                          bool& systemKnows);
  // Whether the list took the face's entry; nothing when the filter left it out.
  std::optional<bool> addEntry(const Face& f, int i, int n);
  void keepFacts(const Face& f);
  // Whether the face holds the search's query (each face does without one).
  bool found(const QString& path, uint32_t face, const Identity* identity);
  QString factsKey(const QString& filter) const;

  AppServices& services_;
  ErrorTrap& trap_;
  Target target_;
  const NameFilter filter_;
  const QString filterText_;
  const Search search_;
  const FontFormats formats_;
  const int32_t localeId_;
  const bool previews_;
  const std::shared_ptr<const Records> earlier_;
  bool factsHeld_ = false;  // the facts of faces of the earlier records are there already
  bool everyFaceTaken_ = true;
  QSet<QString> families_;  // the faces of a family share one copy of its name
  // The families the probe found known, by the address of their text (the records share one copy
  // of each): what the system knows now it still knows at the end of the fill, as the fill's own
  // registrations are let go only by the next one.
  QSet<const QChar*> knownFamilies_;
  KeptRecords records_;
  std::vector<std::pair<uint32_t, uint32_t>> entryFaces_;
};
