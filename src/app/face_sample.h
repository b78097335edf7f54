#pragma once
// The sample text drawn in one face of a font file, read from the file itself (as the grid draws
// its samples), at a size in points.
#include "platform/font_file_face.h"

#include <QWidget>
#include <memory>

class FaceSample : public QWidget {
  Q_OBJECT
 public:
  explicit FaceSample(QWidget* parent = nullptr);
  void setFace(const QString& path, uint32_t face);
  void setPoints(int points);
  int points() const { return points_; }
  // The face drawn; null when the file cannot be drawn (the window says so instead).
  const QRawFont* font() const { return face_ ? &face_->font() : nullptr; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void load();

  QString path_;
  uint32_t faceIndex_ = 0;
  int points_ = 36;
  std::shared_ptr<FontFileFace> face_;
};
