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
    lru_.push_front({key, pixelSize_ > 0 ? FontFileFace::load(path, pixelSize_, face) : nullptr});
    byKey_.insert(key, lru_.begin());
  }
  const auto& loaded = lru_.front().face;
  return loaded ? &loaded->font() : nullptr;
}

void FileFaceCache::setPixelSize(qreal pixelSize) {
  if (pixelSize == pixelSize_) return;
  pixelSize_ = pixelSize;
  clear();
}

void FileFaceCache::clear() {
  byKey_.clear();
  lru_.clear();
}
