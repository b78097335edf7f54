#include "controls/file_face_cache.h"

const QRawFont* FileFaceCache::face(const QString& path, uint32_t face) {
  const Key key{path, face};
  if (const auto it = byKey_.constFind(key); it != byKey_.constEnd()) {
    lru_.splice(lru_.begin(), lru_, *it);
  } else {
    if (lru_.size() >= capacity_ && !lru_.empty()) {
      byKey_.remove(lru_.back().key);
      lru_.pop_back();
    }
    ++loads_;
    std::shared_ptr<FontFileFace> loaded = pixelSize_ > 0 ? FontFileFace::load(path, pixelSize_, face) : nullptr;
    QRawFont font = loaded ? loaded->font() : QRawFont();
    lru_.push_front({key, std::move(loaded), std::move(font)});
    byKey_.insert(key, lru_.begin());
  }
  const Entry& entry = lru_.front();
  return entry.face ? &entry.font : nullptr;
}

void FileFaceCache::setPixelSize(qreal pixelSize) {
  if (pixelSize == pixelSize_) return;
  pixelSize_ = pixelSize;
  if (pixelSize <= 0) return clear();
  for (Entry& entry : lru_)
    if (entry.face) entry.font.setPixelSize(pixelSize);
}

void FileFaceCache::clear() {
  byKey_.clear();
  lru_.clear();
}
