#pragma once
// The catalogue grid: a model/view table offering the members the commands drive
// (rows, current cell, selection, per-cell text, font, style, alignment and background).
// Sizes are in twips (15 twips to a pixel). Colours are OLE_COLOR values: with the high bit
// set they name a system colour, resolved from the palette when painted.
#include <QFont>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <optional>

class FlexGridModel;

class FlexGrid : public QTableView {
  Q_OBJECT
 public:
  using FaceResolver = std::function<std::optional<QFont>(const QString& name)>;

  explicit FlexGrid(QWidget* parent = nullptr);
  ~FlexGrid() override;

  // Turns a cell's font name into a face; without one, names are used as family names.
  void setFaceResolver(FaceResolver resolver);

  int Rows() const;
  void setRows(int rows);
  int Cols() const;
  void setCols(int cols);
  int FixedRows() const;
  void setFixedRows(int rows);
  int FixedCols() const;
  void setFixedCols(int cols);

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
  // Reading back a cell's format, for tests and exports.
  QString cellFontName(int row, int col) const;
  QFont cellFont(int row, int col) const;
  uint32_t cellBackColor(int row, int col) const;
  int cellAlignment(int row, int col) const;

  int Width() const;   // twips
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

 private:
  FlexGridModel* model_;
  // ... implementation state
};

// Colour of an OLE_COLOR value: system colours come from the palette.
QColor oleColor(uint32_t value, const QPalette& palette);
