#pragma once
// Faces side by side: each line a face's full name over one text drawn in that face, read from its
// own file, all at one size. A face is loaded when its line is first drawn (or a screen reader asks
// what the line shows), so a long comparison costs a screenful of loads, not one per face.
#include "controls/file_face_cache.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

struct ComparedFace {
  QString name;  // full name
  QString path;
  uint32_t face = 0;
};

// What a line shows in place of its sample when the face cannot be drawn.
inline const QString kFaceUnreadable = QStringLiteral("This font cannot be shown: its file could not be read.");

class ComparisonModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  // The line of face `face` of the file; -1 when it is not compared.
  int find(const QString& path, uint32_t face) const;
  // Appends a line; returns its row.
  int append(const ComparedFace& face);
  void remove(int row);
  void clear();
  const ComparedFace& at(int row) const { return faces_.at(row); }

  const QString& text() const { return text_; }
  void setText(const QString& text);
  qreal pixelSize() const { return pixelSize_; }
  void setPixelSize(qreal pixels);
  // The line's face at the size set; null when its file cannot be drawn.
  const QRawFont* font(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The name is the line's text and accessible name; the text drawn (or the note) its description.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  QList<ComparedFace> faces_;
  QString text_;
  qreal pixelSize_ = 0;
  mutable FileFaceCache cache_;
};

// Draws a line: the name in the view's font, below it the text in the line's own face.
class ComparisonDelegate : public QStyledItemDelegate {
 public:
  ComparisonDelegate(ComparisonModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // One height for every line, from the size alone: no face is loaded to lay the lines out.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  ComparisonModel& model_;
};
