#include "controls/flex_grid_model.h"

#include <QFontDatabase>
#include <algorithm>

FlexGridModel::FlexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int FlexGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

// Selectable, so that the view's selection (which mirrors the grid's) holds the cells.
Qt::ItemFlags FlexGridModel::flags(const QModelIndex&) const { return Qt::ItemIsEnabled | Qt::ItemIsSelectable; }

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      size_t(section) < columnNames_.size() && !columnNames_[size_t(section)].isEmpty())
    return columnNames_[size_t(section)];
  return QAbstractTableModel::headerData(section, orientation, role);
}

void FlexGridModel::setColumnName(int col, const QString& name) {
  if (columnNames_.size() <= size_t(col)) columnNames_.resize(size_t(col) + 1);
  columnNames_[size_t(col)] = name;
  emit headerDataChanged(Qt::Horizontal, col, col);
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= cols_) return {};
  switch (role) {
    case Qt::DisplayRole:
      if (const auto shown = shownText(index.row(), index.column())) return shown->text;
      return text(index.row(), index.column());
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
      if (const auto shown = shownText(index.row(), index.column())) return shown->note;
      return {};
    case Qt::FontRole:
      return cellFont(index.row(), index.column());
    default:
      return {};
  }
}

void FlexGridModel::setTextChooser(TextChooser chooser) {
  chooser_ = std::move(chooser);
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

std::optional<FlexGridModel::ShownText> FlexGridModel::shownText(int row, int col) const {
  const CellFormat& f = fmt_[slot(row, col)];
  if (!chooser_ || f.file < 0) return std::nullopt;
  return chooser_(files_[size_t(f.file)], fileFaceIndex(f.file), text_[slot(row, col)]);
}

void FlexGridModel::setRows(int rows) {
  if (rows == rows_) return;
  beginResetModel();
  rows_ = rows;
  text_.resize(slot(rows, 0));
  fmt_.resize(slot(rows, 0));
  if (rows_ == 0) {  // an emptied grid gives its memory back, font files included
    text_.shrink_to_fit();
    fmt_.shrink_to_fit();
    std::vector<QString>().swap(files_);
    std::vector<uint32_t>().swap(faceOfFile_);
    fileFaces_.clear();
  }
  dirtyFrom_ = dirtyTo_ = -1;
  endResetModel();
}

void FlexGridModel::setCols(int cols) {
  if (cols == cols_) return;
  beginResetModel();
  std::vector<QString> text(size_t(rows_) * size_t(cols));
  std::vector<CellFormat> fmt(size_t(rows_) * size_t(cols));
  const int keep = std::min(cols, cols_);
  for (int r = 0; r < rows_; ++r)
    for (int c = 0; c < keep; ++c) {
      text[size_t(r) * cols + c] = std::move(text_[slot(r, c)]);
      fmt[size_t(r) * cols + c] = fmt_[slot(r, c)];
    }
  cols_ = cols;
  text_ = std::move(text);
  fmt_ = std::move(fmt);
  dirtyFrom_ = dirtyTo_ = -1;
  endResetModel();
}

void FlexGridModel::clearCells() {
  std::vector<QString>(text_.size()).swap(text_);
  std::vector<CellFormat>(fmt_.size()).swap(fmt_);
  // Names of the last fill go too: faces registered for it may be gone by the next one.
  faceNames_.clear();
  faceIndex_.clear();
  faces_.clear();
  fonts_.clear();
  std::vector<QString>().swap(files_);
  std::vector<uint32_t>().swap(faceOfFile_);
  fileFaces_.clear();
  if (rows_ > 0) markDirty(0, rows_ - 1);
}

void FlexGridModel::clearKeepingContent() {
  for (CellFormat& f : fmt_) f.back = kInheritBack;
  faces_.clear();
  fonts_.clear();
  fileFaces_.clear();
  if (rows_ > 0) markDirty(0, rows_ - 1);
}

void FlexGridModel::setText(int row, int col, const QString& text) {
  // A text equal to the one above shares its storage: a column of the same sample text
  // then costs one string, not one per row.
  if (row > 0 && !text.isEmpty() && text_[slot(row - 1, col)] == text)
    text_[slot(row, col)] = text_[slot(row - 1, col)];
  else
    text_[slot(row, col)] = text;
  markDirty(row, row);
}

int FlexGridModel::faceIndex(const QString& name) {
  auto it = faceIndex_.constFind(name);
  if (it != faceIndex_.constEnd()) return it.value();
  const int index = int(faceNames_.size());
  faceNames_.push_back(name);
  faceIndex_.insert(name, index);
  return index;
}

int FlexGridModel::fileIndex(const QString& path, uint32_t face) {
  if (files_.empty() || files_.back() != path || fileFaceIndex(int(files_.size() - 1)) != face) {
    files_.push_back(path);
    // Only a collection's later faces need a number kept: the files of .ttf fonts cost nothing.
    if (face != 0 || !faceOfFile_.empty()) {
      faceOfFile_.resize(files_.size() - 1);
      faceOfFile_.push_back(face);
    }
  }
  return int(files_.size() - 1);
}

void FlexGridModel::setResolver(FaceResolver resolver) {
  resolver_ = std::move(resolver);
  faces_.clear();
  fonts_.clear();
  if (rows_ > 0) markDirty(0, rows_ - 1);
}

void FlexGridModel::setBaseFont(const QFont& font) {
  base_ = font;
  baseStyle_ = uint8_t((font.bold() ? Bold : 0) | (font.italic() ? Italic : 0) |
                       (font.underline() ? Underline : 0) | (font.strikeOut() ? StrikeOut : 0));
  fonts_.clear();  // faces stay resolved: the size does not change what a name means
  if (rows_ > 0) markDirty(0, rows_ - 1);
}

uint8_t FlexGridModel::effectiveStyle(const CellFormat& f) const {
  return uint8_t((f.style & f.styleSet) | (baseStyle_ & ~f.styleSet));
}

const std::optional<QFont>& FlexGridModel::resolvedFace(int face) const {
  if (faces_.size() < faceNames_.size()) faces_.resize(faceNames_.size());
  auto& slot = faces_[size_t(face)];
  if (!slot) {
    const QString& name = faceNames_[size_t(face)];
    if (resolver_) {
      slot = resolver_(name);
    } else if (!name.isEmpty() && QFontDatabase::hasFamily(name)) {
      slot = std::optional<QFont>(QFont(name));
    } else {
      slot = std::optional<QFont>();
    }
  }
  return *slot;
}

const QFont& FlexGridModel::cellFont(int row, int col) const {
  const CellFormat& f = fmt_[slot(row, col)];
  const uint8_t style = effectiveStyle(f);
  const int64_t key = (f.file >= 0 ? 0 : int64_t(f.face) + 1) * 16 + style;
  auto it = fonts_.constFind(key);
  if (it != fonts_.constEnd()) return it.value();

  QFont font = base_;
  bool ownFace = false;
  // A cell drawn from its font file falls back to the grid font, never to a face that merely
  // shares its name.
  if (f.face >= 0 && f.file < 0) {
    if (const auto& face = resolvedFace(f.face)) {
      font = *face;
      font.setPointSizeF(base_.pointSizeF());
      // A sample shows its own face or nothing: Qt's search for a fallback face when a
      // glyph is missing is many times slower and paints in a foreign face.
      font.setStyleStrategy(QFont::NoFontMerging);
      ownFace = true;
    }
  }
  // A resolved face keeps its own weight and slant (a light or condensed face stays so);
  // the flags only add bold or italic to it.
  const bool faceWeight = ownFace && (font.resolveMask() & QFont::WeightResolved);
  const bool faceSlant = ownFace && (font.resolveMask() & QFont::StyleResolved);
  if (!faceWeight || (style & Bold)) font.setBold(style & Bold);
  if (!faceSlant || (style & Italic)) font.setItalic(style & Italic);
  font.setUnderline(style & Underline);
  font.setStrikeOut(style & StrikeOut);
  return fonts_.insert(key, font).value();
}

void FlexGridModel::markDirty(int row1, int row2) {
  dirtyFrom_ = dirtyFrom_ < 0 ? row1 : std::min(dirtyFrom_, row1);
  dirtyTo_ = std::max(dirtyTo_, row2);
  if (notify_ && !flushQueued_) {
    flushQueued_ = true;
    emit changedLater();
  }
}

void FlexGridModel::setNotify(bool on) {
  notify_ = on;
  if (on) flush();
}

void FlexGridModel::flush() {
  flushQueued_ = false;
  if (dirtyFrom_ < 0) return;
  const int from = std::min(dirtyFrom_, rows_ - 1), to = std::min(dirtyTo_, rows_ - 1);
  dirtyFrom_ = dirtyTo_ = -1;
  if (from < 0 || to < from || cols_ == 0) return;
  emit dataChanged(index(from, 0), index(to, cols_ - 1));
}
