#include "controls/file_face_cache.h"

const QRawFont* FileFaceCache::face(const QString& path) {
  if (const auto it = byPath_.constFind(path); it != byPath_.constEnd()) {
    lru_.splice(lru_.begin(), lru_, *it);
  } else {
    if (lru_.size() >= capacity_ && !lru_.empty()) {
      byPath_.remove(lru_.back().path);
      lru_.pop_back();
    }
    ++loads_;
    lru_.push_front({path, pixelSize_ > 0 ? FontFileFace::load(path, pixelSize_) : nullptr});
    byPath_.insert(path, lru_.begin());
  }
  const auto& face = lru_.front().face;
  return face ? &face->font() : nullptr;
}

void FileFaceCache::setPixelSize(qreal pixelSize) {
  if (pixelSize == pixelSize_) return;
  pixelSize_ = pixelSize;
  clear();
}

void FileFaceCache::clear() {
  byPath_.clear();
  lru_.clear();
}
