#include "catalogue/catalogue_details.h"

#include "catalogue/catalogue_cache.h"
#include "fontfile/load_face_details.h"

#include <QSet>
#include <algorithm>

CatalogueDetails::CatalogueDetails(AppServices& services)
    : services_(services), localeId_(services.fonts.localeId()) {
  kept_ = services.catalogueCache ? services.catalogueCache->details(localeId_)
                                  : std::make_shared<const DetailsByFace>();
}

CatalogueDetails::~CatalogueDetails() {
  if (keep_.isEmpty() || !services_.catalogueCache) return;
  auto all = std::make_shared<DetailsByFace>(*kept_);
  for (auto it = keep_.cbegin(); it != keep_.cend(); ++it) all->insert(it.key(), **it);
  services_.catalogueCache->keepDetails(std::move(all));
}

const truetype::FaceDetails* CatalogueDetails::of(const QString& path, uint32_t face, const Identity* identity) {
  if (identity) {
    const auto it = kept_->constFind({*identity, face});
    if (it != kept_->cend()) return &*it;
    if (const truetype::FaceDetails* here = keep_.value({*identity, face})) return here;  // a link to a file read
  }
  Identity read;
  std::optional<truetype::FaceDetails> details =
      loadFaceDetails(services_.fs, services_.fonts, path, face, localeId_, nullptr, &read);
  if (!details) return nullptr;
  // Faces share their lists: one of each in memory, however many faces hold it.
  for (QList<QByteArray>* list : {&details->languages, &details->scripts, &details->features}) {
    auto it = lists_.constFind(*list);
    if (it == lists_.cend()) it = lists_.insert(*list, *list);
    *list = *it;
  }
  // Kept only when the file read is the one the record tells of: a file changed since its record
  // was made would give details under an identity that is no longer its own.
  const truetype::FaceDetails* here = &read_.emplace_back(std::move(*details));
  if (identity && read == *identity) keep_.insert({read, face}, here);
  return here;
}

QList<QByteArray> knownLanguages(AppServices& services) {
  if (!services.catalogueCache) return {};
  const auto details = services.catalogueCache->details(services.fonts.localeId());
  QSet<const void*> seen;  // faces share their lists: each is looked at once
  QSet<QByteArray> tags;
  for (const truetype::FaceDetails& d : *details) {
    if (seen.contains(d.languages.constData())) continue;
    seen.insert(d.languages.constData());
    for (const QByteArray& tag : d.languages) tags.insert(tag);
  }
  QList<QByteArray> sorted(tags.begin(), tags.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}
