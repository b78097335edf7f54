#include "catalogue/list_faces.h"

#include "catalogue/catalogue_details.h"
#include "catalogue/face_query.h"
#include "catalogue/fill_grid.h"
#include "fontfile/cfont_preview.h"

#include <QStringBuilder>
#include <algorithm>


NameFilter::NameFilter(const QString& filter)
    : filter_(filter),
      lowered_(filter.isEmpty() ? QString() : locale_.toLower(filter)),
      // Every language but those with a dotted and a dotless i.
      plainAscii_(locale_.language() != QLocale::Turkish && locale_.language() != QLocale::Azerbaijani) {}

bool NameFilter::holds(const QString& name) const {
  if (!plainAscii_ || !std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
    return locale_.toLower(name).contains(lowered_);
  // Plain ASCII is matched without the locale's case mapping (a Filter meets 25,000 names).
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  const qsizetype n = name.size(), m = lowered_.size();
  for (qsizetype at = 0; at + m <= n; ++at) {
    qsizetype k = 0;
    while (k < m && lower(name[at + k].unicode()) == lowered_[k].unicode()) ++k;
    if (k == m) return true;
  }
  return false;
}

void KeptRecords::copyEarlier() {
  if (!asEarlier_) return;
  asEarlier_ = false;
  own_->files.reserve(std::max(earlier_->files.size(), expected_));
  own_->files.assign(earlier_->files.begin(), earlier_->files.begin() + static_cast<ptrdiff_t>(counted_));
}

void KeptRecords::keep(const QString& path, const Record& record) {
  if (asEarlier_ && counted_ < earlier_->files.size() && &record == &earlier_->files[counted_].second) {
    ++counted_;
    return;
  }
  copyEarlier();
  own_->files.emplace_back(path, record);
}

void KeptRecords::add(const QString& path, Record record) {
  copyEarlier();
  own_->files.emplace_back(path, std::move(record));
  changed_ = true;
}

Record& KeptRecords::at(uint32_t k) {
  copyEarlier();
  return own_->files[k].second;
}

std::shared_ptr<const Records> KeptRecords::result() {
  if (asEarlier_ && counted_ != earlier_->files.size()) copyEarlier();  // some records went
  return asEarlier_ ? earlier_ : own_;
}

// One face of a file as the list takes it.
struct FaceList::Face {
  const QString& path;
  uint32_t index;
  uint32_t faces;          // the faces of its file
  uint32_t recordAt;       // its record among those kept, or UINT32_MAX
  const RecordFace* kept;  // its names as recorded, else read by `reader`
  const CFontPreview* reader;
  bool fromEarlier;  // its record is an earlier one
  bool systemKnows;
};

FaceList::FaceList(AppServices& services, ErrorTrap& trap, Target target, const QString& filter, FontFormats formats,
                   int32_t localeId, bool previews, std::shared_ptr<const Records> earlier, size_t expectedFiles,
                   Search search)
    : services_(services), trap_(trap), target_(target), filter_(filter),
      filterText_(search.query ? filter % QChar(0) % search.text : filter), search_(search), formats_(formats),
      localeId_(localeId), previews_(previews), earlier_(earlier), records_(earlier, expectedFiles) {
  if (!earlier_) return;
  target_.facts.reserve(static_cast<qsizetype>(earlier_->files.size()));
  // The facts of a face of the earlier records are there already when the last collection into
  // them took the same records under the same filter (or none): a refill of unchanged files puts
  // no face again.
  const FactsByFace& facts = target_.facts;
  factsHeld_ = facts.source == earlier_ && (facts.sourceKey == factsKey(filterText_) || facts.sourceKey == factsKey({}));
}

QString FaceList::factsKey(const QString& filter) const {
  // What decides which faces a fill takes besides the files: the formats, the language its letter
  // case follows, the filter and the search.
  return QString::number(static_cast<int>(formats_)) % QChar(0) % QLocale().name() % QChar(0) % filter;
}

std::unique_ptr<CFontPreview> FaceList::readerFor(const MatchedFile& file, uint32_t face, const RecordFace* kept,
                                                  bool& systemKnows) {
  // A face known from before needs a reader only to be probed, and only when the system does not
  // know it: the reader then registers the file for its preview. The probe of a face it knows
  // asks for the same names a reader would and leaves nothing behind.
  systemKnows = false;
  if (kept && previews_) {
    systemKnows = knownFamilies_.contains(kept->family.constData());
    if (!systemKnows) {
      const auto probed = CFontPreview::KnownFaceName(services_.fonts, kept->family, kept->subfamily, kept->fullName);
      systemKnows = probed.has_value();
      if (probed == kept->family) knownFamilies_.insert(kept->family.constData());
    }
  }
  if (kept && (!previews_ || systemKnows)) return nullptr;
  auto reader = std::make_unique<CFontPreview>(services_.fs, services_.fonts, localeId_);
  reader->setFaceProbe(previews_);
  trap_(110, [&] {
    if (kept)
      reader->setUnknownFontFile(file.path, tablesOf(*kept, localeId_));
    else if (file.failure)
      std::rethrow_exception(file.failure);
    else if (face > 0 && file.tables)
      reader->setFontFile(file.path, file.laterFaces[face - 1]);
    else if (file.tables)
      reader->setFontFile(file.path, *file.tables);
    else if (formats_ == FontFormats::All)
      reader->setFontFileFace(file.path, face);
    else
      reader->setFontFile(file.path);
  });
  return reader;
}

std::optional<bool> FaceList::addEntry(const Face& f, int i, int n) {
  // Read inside each statement: a reader without names fails there, as its box tells.
  const auto fullName = [&] { return f.kept ? f.kept->fullName : f.reader->FullName(); };
  const uint32_t rank = f.kept ? f.kept->rank : ListBox::kNoRank;
  // The sample's style goes with the entry, so the grid's fill needs no look-up by path.
  const uint32_t style = sampleStyle(f.kept ? factsOf(*f.kept)
                                            : FontFacts{f.reader->Bold(), f.reader->Italic(), f.reader->Underlined(),
                                                        f.reader->StrikeOut()});
  const auto add = [&] { target_.list.AddItem(fullName(), f.path, f.index, rank, style); };
  if (!filter_.filtered()) {
    trap_(112, [&] {
      if (target_.pleaseWait && i % 6 == 0 && f.index == 0) target_.pleaseWait(i, n, false);
    });
    return trap_(114, add);
  }
  bool matches = f.fromEarlier;  // a face of an earlier record was let through already
  if (!f.fromEarlier) trap_(116, [&] { matches = filter_.holds(fullName()); });
  if (!matches) return std::nullopt;
  trap_(118, [&] {
    if (target_.pleaseWait) target_.pleaseWait(i, n, true);
  });
  return trap_(120, add);
}

void FaceList::keepFacts(const Face& f) {
  if (!(f.fromEarlier && factsHeld_)) {
    // An accepted face has a name table, so its family name reads without failing.
    FontFacts facts = f.kept ? factsOf(*f.kept) : factsOf(*f.reader);
    facts.faces = static_cast<uint16_t>(f.faces);
    if (!f.kept) facts.family = *families_.insert(facts.family);  // a record's is shared already
    target_.facts.insert({f.path, f.index}, std::move(facts));
  }
  // A face the system does not know stays registered while the catalogue lists it: the reader of
  // every later file of its family then finds the family known and registers nothing, so a
  // folder of one unknown family costs one registration, not one per file. (The grid draws every
  // sample from its own file either way.)
  if (previews_ && !f.systemKnows && !f.reader->Installed()) target_.pins.pin(f.path);
}

bool FaceList::found(const QString& path, uint32_t face, const Identity* identity) {
  if (!search_.query) return true;
  const truetype::FaceDetails* details = search_.details->of(path, face, identity);
  return details && search_.query->holds(*details, path);
}

void FaceList::add(MatchedFile& file, int i, int n) {
  const Record* const record = file.record;
  std::optional<Record>& newRecord = file.newRecord;  // its faces are added as they are read
  const auto recordAt = static_cast<uint32_t>(record || newRecord ? records_.size() : UINT32_MAX);
  uint32_t faces = static_cast<uint32_t>(record ? record->faces.size() : 1 + file.laterFaces.size());
  for (uint32_t face = 0; face < faces; ++face) {
    const RecordFace* kept = record ? &record->faces[face] : nullptr;
    // A face known from before that the filter leaves out is passed over at once: nothing of it
    // is shown, so it needs neither a probe nor a reader.
    if (kept && filter_.filtered()) {
      bool matches = false;
      trap_(116, [&] { matches = filter_.holds(kept->fullName); });
      if (!matches) continue;
    }
    if (record && !found(file.path, face, &record->identity)) continue;
    bool systemKnows = false;
    const std::unique_ptr<CFontPreview> reader = readerFor(file, face, kept, systemKnows);
    if (formats_ == FontFormats::All && !file.tables && !kept && face == 0) faces = reader->FaceCount();
    if (newRecord) {  // a clean read: every face has its names
      newRecord->faces.append(faceOf(*reader));
      newRecord->faces.back().family = *families_.insert(newRecord->faces.back().family);
      kept = &newRecord->faces.back();
    }
    if (!record && !found(file.path, face, newRecord ? &newRecord->identity : nullptr)) continue;
    const Face f{file.path, face, faces, recordAt, kept, reader.get(), record != nullptr, systemKnows};
    const std::optional<bool> accepted = addEntry(f, i, n);
    if (!accepted) continue;  // the filter left it out
    everyFaceTaken_ = everyFaceTaken_ && *accepted;
    if (!*accepted) continue;
    entryFaces_.emplace_back(recordAt, face);
    keepFacts(f);
  }
  if (record)
    records_.keep(file.path, *record);
  else if (newRecord)
    records_.add(file.path, std::move(*newRecord));
}

void FaceList::finishFacts(bool keepSource) {
  FactsByFace& facts = target_.facts;
  const ListBox& list = target_.list;
  if (facts.size() != list.ListCount()) {
    FactsByFace current;
    current.reserve(list.ListCount());
    for (int i = 0; i < list.ListCount(); ++i) {
      const FontFace face{list.ItemPath(i), list.ItemFace(i)};
      current.insert(face, facts.value(face));
    }
    facts.swap(current);
  }
  // Every face of these records that the filter let through is now in the list, its facts taken
  // from its record.
  facts.source = keepSource && everyFaceTaken_ ? records_.result() : nullptr;
  facts.sourceKey = factsKey(filterText_);
}
