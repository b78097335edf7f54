#pragma once
// Faces of the font files that grid cells name, loaded when a cell is first drawn and kept
// while recently drawn: only visible rows are drawn, so a grid of 100,000 rows holds a
// screenful of faces, each loaded once.
#include "platform/font_file_face.h"

#include <QHash>
#include <QString>
#include <list>
#include <memory>
#include <utility>

class FileFaceCache {
 public:
  // Enough for every row a full screen can show, so a repaint never loads a face again.
  explicit FileFaceCache(size_t capacity = 128) : capacity_(capacity) {}

  // Face `face` of the file (a collection holds several) at the current size; null when it
  // cannot be loaded (remembered, so a broken file is tried once).
  const QRawFont* face(const QString& path, uint32_t face = 0);
  // A new size scales the faces held, which reads no file again.
  void setPixelSize(qreal pixelSize);
  void clear();

  size_t size() const { return lru_.size(); }
  int loads() const { return loads_; }  // files opened so far

 private:
  using Key = std::pair<QString, uint32_t>;
  struct Entry {
    Key key;
    std::shared_ptr<FontFileFace> face;  // keeps the file's bytes mapped for `font`
    QRawFont font;                       // the face at the current size
  };
  size_t capacity_;
  qreal pixelSize_ = 0;
  std::list<Entry> lru_;  // most recently drawn first
  QHash<Key, std::list<Entry>::iterator> byKey_;
  int loads_ = 0;
};
