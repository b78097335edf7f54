#pragma once
// The catalogue grid: a model/view table offering the members the commands drive
// (rows, current cell, selection, per-cell text, font, style, alignment and background).
// Sizes are in twips (15 twips to a pixel). Colours are OLE_COLOR values: with the high bit
// set they name a system colour, resolved from the palette when painted.
#include "controls/flex_grid_model.h"

#include <QFont>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class FlexGridDelegate;
class QPainter;

class FlexGrid : public QTableView {
  Q_OBJECT
 public:
  using FaceResolver = std::function<std::optional<QFont>(const QString& name)>;

  // `baseFont` is the base font (bold Arial 8.25 points when not given). Given here rather than set
  // afterwards, the grid measures its rows once: each font measured loads a face, which costs a
  // match over every installed font.
  explicit FlexGrid(QWidget* parent = nullptr, const std::optional<QFont>& baseFont = std::nullopt);
  ~FlexGrid() override;

  // Turns a cell's font name into a face; without one, names are used as family names.
  void setFaceResolver(FaceResolver resolver);

  int Rows() const;
  void setRows(int rows);
  int Cols() const;
  void setCols(int cols);
  int FixedRows() const;

  int Row() const;
  void setRow(int row);  // also collapses the selection onto the current cell
  int Col() const;
  void setCol(int col);  // also collapses the selection onto the current cell
  int RowSel() const;
  void setRowSel(int row);
  int ColSel() const;
  void setColSel(int col);
  int TopRow() const;
  void setTopRow(int row);

  QString TextMatrix(int row, int col) const;
  void setTextMatrix(int row, int col, const QString& text);
  void Clear();  // every cell's text and format
  // Clear() for cells about to be written again exactly as they stand: their texts, font names
  // and files stay, all else goes as with Clear().
  void clearKeepingContent();
  const FlexGridModel& cells() const { return *model_; }

  int ColWidth(int col) const;
  void setColWidth(int col, int twips);
  int RowHeight(int row) const;  // fails with error 9 outside the rows
  int RowHeightMin() const;
  void setRowHeightMin(int twips);
  double FontSize() const;
  void setFontSize(double points);

  int FocusRect() const;
  void setFocusRect(int value);
  int SelectionMode() const;
  void setSelectionMode(int value);
  int FillStyle() const;
  void setFillStyle(int value);
  bool Redraw() const;
  void setRedraw(bool on);

  // Format of the current cell (or of the selection with FillStyle 1).
  void setCellAlignment(int alignment);
  void setCellFontName(const QString& name);
  void setCellFontBold(bool on);
  void setCellFontItalic(bool on);
  void setCellFontUnderline(bool on);
  void setCellFontStrikeThrough(bool on);
  void setCellBackColor(uint32_t oleColor);
  // The font file the cell's text is drawn from, whatever face its font name would find: the
  // file's face `face` (a collection holds several) is the face, the style flags add underline
  // and strike-out. A face that cannot be loaded draws in the grid font with the cell's flags.
  // Loaded when the cell is first drawn.
  void setCellFontFile(const QString& path, uint32_t face = 0);
  QString cellFontFile(int row, int col) const;
  // The size of the text drawn from font files (the samples) in points; 0: the grid's font size.
  // The rows grow to fit it.
  void setSampleSize(double points);
  // Lets cells drawn from font files show another text than their own (see FlexGridModel).
  void setTextChooser(FlexGridModel::TextChooser chooser);
  uint32_t cellFontFace(int row, int col) const;
  int fontFileLoads() const;  // files opened for drawing so far
  size_t fontFilesHeld() const;
  // Reading back a cell's format, for tests and exports.
  QString cellFontName(int row, int col) const;
  QFont cellFont(int row, int col) const;
  uint32_t cellBackColor(int row, int col) const;
  int cellAlignment(int row, int col) const;

  // The cells' colour (OLE_COLOR), 0x80000014 (3-D highlight) unless set. The other colours are
  // fixed: text 0x80000008, fixed cells 0x8000000F on 0x80000012, selection 0x8000000D on
  // 0x8000000E, the area outside the cells 0x00808080, grid lines 0x00C0C0C0.
  uint32_t BackColor() const { return backColor_; }
  void setBackColor(uint32_t oleColor);

  // Widens a column, never narrows it, so that every whole number up to `largest` fits in the
  // grid font.
  void fitNumbersInColumn(int col, int largest);
  // What assistive technology calls a column (the header row is never shown).
  void setColumnName(int col, const QString& name);

  int Height() const;  // twips
  void setWidth(int twips);
  void setHeight(int twips);

 signals:
  void Click();
  void GotFocus();
  void LostFocus();
  void MouseMove();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class FlexGridDelegate;
  struct CellRange {
    int row1, col1, row2, col2;
  };
  void checkRow(int row) const;  // error 381 for a row outside the grid
  void checkCol(int col) const;
  void checkCell(int row, int col) const;  // error 9 for a cell outside the grid
  CellRange formatTarget() const;          // the cells a CellXxx setter changes
  CellRange selectionRect() const;         // current cell to selection end
  CellRange selectedCells() const;         // the same, spread by the selection mode
  void selectionMoved();                   // repaints and tells the view later
  void syncView();
  void applyColumnWidths();
  void applyRowHeight();
  void applyColors();
  void repaintCells();
  bool isHighlighted(int row, int col) const;
  void paintCell(QPainter* painter, const QRect& rect, int row, int col) const;
  qreal samplePixelSize() const;
  int frozenWidth() const;  // pixels of the fixed columns pinned at the left while scrolled
  bool cellAt(const QPoint& pos, int* row, int* col) const;
  void moveCurrent(int row, int col, bool extend);

  FlexGridModel* model_;
  FlexGridDelegate* delegate_;
  int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
  static constexpr int kFixedRows = 0, kFixedCols = 1;
  std::vector<int> colTwips_;  // -1 = default width
  int rowHeightMin_ = 0;       // twips
  int rowPixels_ = 16;
  double samplePoints_ = 0;
  int focusRect_ = 1, selectionMode_ = 0, fillStyle_ = 0;
  bool redraw_ = true;
  bool pressed_ = false;
  bool viewSyncQueued_ = false;
  uint32_t backColor_ = 0x80000014;
  static constexpr uint32_t kForeColor = 0x80000008;
  static constexpr uint32_t kBackColorFixed = 0x8000000F, kForeColorFixed = 0x80000012;
  static constexpr uint32_t kBackColorSel = 0x8000000D, kForeColorSel = 0x8000000E;
  static constexpr uint32_t kBackColorBkg = 0x00808080, kGridColor = 0x00C0C0C0;
};

// Colour of an OLE_COLOR value: system colours come from the palette.
QColor oleColor(uint32_t value, const QPalette& palette);
