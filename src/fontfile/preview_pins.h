#pragma once
// Files the system does not know, registered by the catalogue's readers and kept while the
// catalogue lists them, so that the later files of their family register nothing; released when
// the catalogue is refilled or closed. (The grid draws each sample from its own file.)
#include "platform/font_system.h"

#include <QString>
#include <vector>

class PreviewPins {
 public:
  explicit PreviewPins(FontSystem& fonts) : fonts_(fonts) {}
  ~PreviewPins() { releaseAll(); }
  PreviewPins(const PreviewPins&) = delete;
  PreviewPins& operator=(const PreviewPins&) = delete;

  // A pinned file is loaded already (by its reader), which made its family known.
  void pin(const QString& path) {
    if (fonts_.loadPreviewFont(path, {})) paths_.push_back(path);
  }
  void releaseAll() {
    for (const QString& path : paths_) fonts_.unloadPreviewFont(path);
    paths_.clear();
  }
  // Takes over the files `other` pinned, letting go of its own.
  void takeFrom(PreviewPins& other) {
    releaseAll();
    paths_ = std::move(other.paths_);
    other.paths_.clear();
  }
  size_t count() const { return paths_.size(); }

 private:
  FontSystem& fonts_;
  std::vector<QString> paths_;
};
