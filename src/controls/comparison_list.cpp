#include "controls/comparison_list.h"

#include "controls/raw_font_text.h"

#include <QApplication>
#include <QPainter>
#include <QtMath>

namespace {
constexpr int kMargin = 6;
// The sample's line, in ems: room for the ascent and descent of nearly every face. A face with
// taller metrics is clipped at the line's edges rather than pushing its neighbours.
constexpr qreal kSampleLine = 1.4;
}  // namespace

int ComparisonModel::find(const QString& path, uint32_t face) const {
  for (int row = 0; row < faces_.size(); ++row)
    if (faces_[row].face == face && faces_[row].path == path) return row;
  return -1;
}

int ComparisonModel::append(const ComparedFace& face) {
  const int row = int(faces_.size());
  beginInsertRows(QModelIndex(), row, row);
  faces_.append(face);
  endInsertRows();
  return row;
}

void ComparisonModel::remove(int row) {
  if (row < 0 || row >= faces_.size()) return;
  beginRemoveRows(QModelIndex(), row, row);
  faces_.removeAt(row);
  endRemoveRows();
}

void ComparisonModel::clear() {
  beginResetModel();
  faces_.clear();
  cache_.clear();
  endResetModel();
}

void ComparisonModel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (!faces_.isEmpty()) emit dataChanged(index(0), index(int(faces_.size()) - 1));
}

void ComparisonModel::setPixelSize(qreal pixels) {
  if (pixels == pixelSize_) return;
  // Every line changes height: the view lays them out again.
  emit layoutAboutToBeChanged();
  pixelSize_ = pixels;
  cache_.setPixelSize(pixels);
  emit layoutChanged();
}

const QRawFont* ComparisonModel::font(int row) const {
  if (row < 0 || row >= faces_.size()) return nullptr;
  return cache_.face(faces_[row].path, faces_[row].face);
}

int ComparisonModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(faces_.size()); }

QVariant ComparisonModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= faces_.size()) return {};
  const ComparedFace& face = faces_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return face.name;
    case Qt::AccessibleDescriptionRole: return font(index.row()) ? text_ : kFaceUnreadable;
    case Qt::ToolTipRole: return face.path;
    default: return {};
  }
}

void ComparisonDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem panel = option;
  initStyleOption(&panel, index);
  panel.text.clear();  // the style draws the background, selection and focus; the name is drawn below
  const QWidget* view = option.widget;
  (view ? view->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &panel, painter, view);

  painter->save();
  const bool selected = option.state & QStyle::State_Selected;
  const auto group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
  painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  const QRect inner = option.rect.adjusted(kMargin, kMargin / 2, -kMargin, -kMargin / 2);
  const int nameHeight = option.fontMetrics.height();
  const QString name = model_.at(index.row()).name;
  painter->setFont(option.font);
  painter->drawText(inner.adjusted(0, 0, 0, nameHeight - inner.height()), Qt::AlignLeft | Qt::AlignVCenter,
                    option.fontMetrics.elidedText(name, Qt::ElideRight, inner.width()));
  const QRect sample = inner.adjusted(0, nameHeight, 0, 0);
  painter->setClipRect(sample, Qt::IntersectClip);
  if (const QRawFont* face = model_.font(index.row()))
    drawInRawFont(painter, sample, Qt::AlignLeft | Qt::AlignVCenter, model_.text(), *face);
  else
    painter->drawText(sample, Qt::AlignLeft | Qt::AlignVCenter, kFaceUnreadable);
  painter->restore();
}

QSize ComparisonDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  const int sample = std::max(qCeil(model_.pixelSize() * kSampleLine), option.fontMetrics.height());
  return QSize(option.fontMetrics.averageCharWidth() * 20, kMargin + option.fontMetrics.height() + sample);
}
