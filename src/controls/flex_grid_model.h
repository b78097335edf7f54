#pragma once
// Cell storage of the grid. Rows are kept flat and compact (a text and a 16-byte format per
// cell, font names shared through one table), so a catalogue of 100,000 rows costs memory in
// proportion to its text and nothing per widget. Fonts are resolved once per distinct
// (face, style) pair and cached, so painting a row does no lookups.
#include "controls/file_face_cache.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class FlexGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using FaceResolver = std::function<std::optional<QFont>(const QString& name)>;

  // Style bits of a cell format.
  enum Style : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
  static constexpr uint32_t kInheritBack = 0xFFFFFFFFu;  // no back colour of its own

  struct CellFormat {
    uint32_t back = kInheritBack;
    int32_t face = -1;     // index into the face-name table; -1 = the grid's base font
    int32_t file = -1;     // index into the font-file table; -1 = drawn from the face name
    uint8_t styleSet = 0;  // which style bits the cell sets itself
    uint8_t style = 0;     // their values
    int8_t align = -1;     // -1 = the grid default (left, vertically centred)
    uint8_t pad = 0;
  };

  explicit FlexGridModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void setColumnName(int col, const QString& name);

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  void setRows(int rows);
  void setCols(int cols);
  void clearCells();
  // What clearCells() does to all but the texts, font names and files of the cells, for a caller
  // about to write every cell again as it stands: the back colours go, and the faces and font
  // files are resolved and loaded afresh when drawn (a file may have been rewritten in place).
  void clearKeepingContent();

  const QString& text(int row, int col) const { return text_[slot(row, col)]; }
  void setText(int row, int col, const QString& text);
  const CellFormat& format(int row, int col) const { return fmt_[slot(row, col)]; }
  // Applies `change` to every cell of the rectangle and marks it for repaint.
  template <typename Change>
  void formatRange(int row1, int col1, int row2, int col2, const Change& change) {
    for (int r = row1; r <= row2; ++r)
      for (int c = col1; c <= col2; ++c) change(fmt_[slot(r, c)]);
    markDirty(row1, row2);
  }

  int faceIndex(const QString& name);  // adds the name to the shared table when new
  const QString& faceName(int face) const { return face < 0 ? kNoName : faceNames_[size_t(face)]; }
  int faceCount() const { return int(faceNames_.size()); }
  int fileIndex(const QString& path, uint32_t face);  // shares the entry of the cell set just before
  const QString& fileName(int file) const { return file < 0 ? kNoName : files_[size_t(file)]; }
  int fileCount() const { return int(files_.size()); }
  uint32_t fileFaceIndex(int file) const {
    return file < 0 || size_t(file) >= faceOfFile_.size() ? 0 : faceOfFile_[size_t(file)];
  }
  // The face of a font file, loaded when first drawn; null when it cannot be loaded.
  const QRawFont* fileFace(int file) const { return fileFaces_.face(files_[size_t(file)], fileFaceIndex(file)); }
  void setFilePixelSize(qreal pixelSize) { fileFaces_.setPixelSize(pixelSize); }
  const FileFaceCache& fileFaces() const { return fileFaces_; }

  // What a cell drawn from a font file shows in place of its text, with a note that says why;
  // nothing when it shows its text. Asked when the cell is drawn or read out, so only for the
  // cells in view.
  struct ShownText {
    QString text;
    QString note;
  };
  using TextChooser = std::function<std::optional<ShownText>(const QString& path, uint32_t face, const QString& text)>;
  void setTextChooser(TextChooser chooser);
  std::optional<ShownText> shownText(int row, int col) const;

  // Fonts.
  void setResolver(FaceResolver resolver);
  void setBaseFont(const QFont& font);
  const QFont& baseFont() const { return base_; }
  const QFont& cellFont(int row, int col) const;
  uint8_t cellStyle(int row, int col) const { return effectiveStyle(fmt_[slot(row, col)]); }

  // Change notification: while suspended, changes only widen the dirty range; flush() sends
  // it as one dataChanged. Per-cell signals during a fill of thousands of rows cost more than
  // the fill itself.
  void setNotify(bool on);
  void flush();

 signals:
  void changedLater();  // asks the owner to call flush() soon

 private:
  static inline const QString kNoName;
  size_t slot(int row, int col) const { return size_t(row) * size_t(cols_) + size_t(col); }
  void markDirty(int row1, int row2);
  uint8_t effectiveStyle(const CellFormat& f) const;
  const std::optional<QFont>& resolvedFace(int face) const;

  int rows_ = 0;
  int cols_ = 0;
  std::vector<QString> text_;
  std::vector<CellFormat> fmt_;
  std::vector<QString> columnNames_;

  std::vector<QString> faceNames_;
  QHash<QString, int> faceIndex_;
  std::vector<QString> files_;  // one per row as a rule: no lookup table, and no copy of the text
  std::vector<uint32_t> faceOfFile_;  // the face in each file; empty while every face is 0
  mutable FileFaceCache fileFaces_;

  FaceResolver resolver_;
  TextChooser chooser_;
  QFont base_;
  uint8_t baseStyle_ = 0;
  // Caches; filled lazily from const readers.
  mutable std::vector<std::optional<std::optional<QFont>>> faces_;  // outer: resolved yet?
  mutable QHash<int64_t, QFont> fonts_;

  bool notify_ = true;
  bool flushQueued_ = false;
  int dirtyFrom_ = -1;
  int dirtyTo_ = -1;
};
