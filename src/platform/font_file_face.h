#pragma once
// A face read straight from one font file, for drawing a sample in that very face whatever
// the system knows under its names: two files with one name, or a family the system has never
// seen, each draw as themselves. The file is mapped, not copied, so only the pages the drawing
// touches are read.
#include <QRawFont>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

// True for a size a font file can really have. Files far larger are refused before they are
// mapped: they are no fonts, and a font engine would walk them anyway.
bool isPlausibleFontFileSize(uint64_t bytes);

class FontFileFace {
 public:
  // Face `faceIndex` of the file (a collection holds several; any other file only 0). Nothing
  // when the file cannot be opened, is not a regular file, has an implausible size or holds no
  // such face that the font engine can draw. Paths that lead to one file (links) share its face
  // at a given size for as long as any holder keeps it. Used from the GUI thread only.
  static std::shared_ptr<FontFileFace> load(const QString& path, qreal pixelSize, uint32_t faceIndex = 0);
  ~FontFileFace();
  FontFileFace(const FontFileFace&) = delete;
  FontFileFace& operator=(const FontFileFace&) = delete;

  const QRawFont& font() const { return font_; }

 private:
  struct Key {
    uint64_t device, inode;
    int64_t modified;  // nanoseconds: a file rewritten in place is another face
    qreal pixelSize;
    uint32_t face;
    auto operator<=>(const Key&) const = default;
  };
  FontFileFace(const Key& key, void* map, size_t length) : key_(key), map_(map), length_(length) {}
  Key key_;
  void* map_;
  size_t length_;
  QRawFont font_;  // reads from map_: it must go first
};
