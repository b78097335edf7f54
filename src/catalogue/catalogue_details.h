#pragma once
// The details of the catalogue's faces, for a property search and the command line: from the
// cache while a face's file keeps the identity its details were read at, else read from the file.
// What was read is kept in the cache (beside the file's record) when this object goes.
#include "catalogue/kept_details.h"
#include "fontfile/face_details.h"
#include "platform/services_bundle.h"

#include <QString>
#include <deque>
#include <memory>
#include <optional>

class CatalogueDetails {
 public:
  explicit CatalogueDetails(AppServices& services);
  ~CatalogueDetails();
  CatalogueDetails(const CatalogueDetails&) = delete;
  CatalogueDetails& operator=(const CatalogueDetails&) = delete;

  // The face's details; `identity` is its file's as the catalogue's fill found it (its record's),
  // none when the fill kept no record of it. Null when the face gives none; else valid while
  // this object lives.
  const truetype::FaceDetails* of(const QString& path, uint32_t face, const Identity* identity);

 private:
  AppServices& services_;
  const int32_t localeId_;
  std::shared_ptr<const DetailsByFace> kept_;
  std::deque<truetype::FaceDetails> read_;              // read here
  QHash<DetailsKey, const truetype::FaceDetails*> keep_;  // those of read_ to keep
  QHash<QList<QByteArray>, QList<QByteArray>> lists_;
};

// The languages the faces whose details the cache holds cover, sorted; none before any were read.
QList<QByteArray> knownLanguages(AppServices& services);
