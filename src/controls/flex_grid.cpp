#include "controls/flex_grid.h"

#include "core/runtime_error.h"
#include "controls/flex_grid_model.h"
#include "controls/raw_font_text.h"
#include "controls/readable_color.h"
#include "controls/twips.h"

#include <QAbstractItemDelegate>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kDefaultColTwips = 960;
constexpr int kTextPadding = 3;  // pixels between a cell's edge and its text

// Alignment values 0..8 are left/centre/right by top/centre/bottom; 9 ("general") puts text
// left and numbers right, vertically centred.
Qt::Alignment qtAlignment(int value, const QString& text) {
  if (value < 0 || value > 8) {
    bool number = false;
    text.toDouble(&number);
    return Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft);
  }
  static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  static const Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
  return horizontal[value / 3] | vertical[value % 3];
}

}  // namespace

// Paints straight from the grid's own state: the cell colours depend on the current cell,
// the selection and the fixed rows and columns, which Qt's item roles do not express.
class FlexGridDelegate : public QAbstractItemDelegate {
 public:
  explicit FlexGridDelegate(FlexGrid* grid) : QAbstractItemDelegate(grid), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    grid_->paintCell(painter, option.rect, index.row(), index.column());
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    return {grid_->columnWidth(index.column()), grid_->rowPixels_};
  }

 private:
  FlexGrid* grid_;
};

QColor oleColor(uint32_t value, const QPalette& palette) {
  if (!(value & 0x80000000u))
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
  switch (value & 0xFF) {
    case 0: return palette.color(QPalette::Mid);              // scroll bar
    case 1: return palette.color(QPalette::Dark);             // desktop
    case 2: return palette.color(QPalette::Highlight);        // active caption
    case 3: return palette.color(QPalette::Mid);              // inactive caption
    case 4: return palette.color(QPalette::Window);           // menu
    case 5: return palette.color(QPalette::Base);             // window
    case 6: return palette.color(QPalette::Shadow);           // window frame
    case 7: return palette.color(QPalette::WindowText);       // menu text
    case 8: return palette.color(QPalette::Text);             // window text
    case 9: return palette.color(QPalette::HighlightedText);  // caption text
    case 10: case 11: return palette.color(QPalette::Button); // borders
    case 12: return palette.color(QPalette::Dark);            // application workspace
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);          // button face
    case 16: return palette.color(QPalette::Dark);            // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 19: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 20: return palette.color(QPalette::Light);           // 3-D highlight
    case 21: return palette.color(QPalette::Shadow);          // 3-D dark shadow
    case 22: return palette.color(QPalette::Midlight);        // 3-D light
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    case 26: return palette.color(QPalette::Link);            // hot-tracked item
    case 27: case 28: case 29: return palette.color(QPalette::Highlight);
    case 30: return palette.color(QPalette::Window);          // menu bar
    default: return palette.color(QPalette::Text);
  }
}

FlexGrid::FlexGrid(QWidget* parent, const std::optional<QFont>& baseFont)
    : QTableView(parent), model_(new FlexGridModel(this)), delegate_(new FlexGridDelegate(this)) {
  setModel(model_);
  setItemDelegate(delegate_);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  // Every row has the same height and no row is ever measured: sizing rows to their contents
  // with a font per row costs seconds per thousand rows.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setMinimumSectionSize(0);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setShowGrid(false);  // the cells draw their own lines in the grid colour
  setWordWrap(false);
  setSelectionMode(0);
  QTableView::setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Setting the current cell never scrolls by itself: TopRow and the keys decide what shows.
  setAutoScroll(false);
  setTabKeyNavigation(false);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // The scroll bars would scroll a few rows by themselves; the wheel is the window's (below).
  verticalScrollBar()->installEventFilter(this);
  horizontalScrollBar()->installEventFilter(this);

  QFont base(QStringLiteral("Arial"));
  base.setBold(true);
  base.setPointSizeF(8.25);
  setFont(baseFont.value_or(base));
  model_->setBaseFont(font());

  connect(model_, &FlexGridModel::changedLater, this, [this] { model_->flush(); },
          Qt::QueuedConnection);
  // A reset rebuilds the header sections at their default size.
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    applyColumnWidths();
    selectionMoved();
  });

  setCols(3);
  setRows(2);
  applyRowHeight();
  applyColors();
}

FlexGrid::~FlexGrid() = default;

void FlexGrid::setFaceResolver(FaceResolver resolver) { model_->setResolver(std::move(resolver)); }

// ---- counts --------------------------------------------------------------------------

int FlexGrid::Rows() const { return model_->rows(); }

void FlexGrid::setRows(int rows) {
  if (rows < kFixedRows) throw errors::invalidPropertyValue();
  model_->setRows(rows);
  const int last = std::max(0, rows - 1);
  row_ = std::min(row_, last);
  rowSel_ = std::min(rowSel_, last);
}

int FlexGrid::Cols() const { return model_->cols(); }

void FlexGrid::setCols(int cols) {
  if (cols < kFixedCols) throw errors::invalidPropertyValue();
  colTwips_.resize(size_t(cols), -1);
  model_->setCols(cols);
  const int last = std::max(0, cols - 1);
  col_ = std::min(col_, last);
  colSel_ = std::min(colSel_, last);
}

int FlexGrid::FixedRows() const { return kFixedRows; }

// ---- current cell and selection ------------------------------------------------------

void FlexGrid::checkRow(int row) const {
  if (row < 0 || row >= Rows()) throw errors::invalidPropertyArrayIndex();
}

void FlexGrid::checkCol(int col) const {
  if (col < 0 || col >= Cols()) throw errors::invalidPropertyArrayIndex();
}

void FlexGrid::checkCell(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) throw errors::subscriptOutOfRange();
}

int FlexGrid::Row() const { return row_; }

void FlexGrid::setRow(int row) {
  checkRow(row);
  row_ = rowSel_ = row;
  colSel_ = col_;
  selectionMoved();
}

int FlexGrid::Col() const { return col_; }

void FlexGrid::setCol(int col) {
  checkCol(col);
  col_ = colSel_ = col;
  rowSel_ = row_;
  selectionMoved();
}

int FlexGrid::RowSel() const { return rowSel_; }

void FlexGrid::setRowSel(int row) {
  checkRow(row);
  rowSel_ = row;
  selectionMoved();
}

int FlexGrid::ColSel() const { return colSel_; }

void FlexGrid::setColSel(int col) {
  checkCol(col);
  colSel_ = col;
  selectionMoved();
}

int FlexGrid::TopRow() const {
  if (Rows() == 0) return 0;
  return std::clamp(verticalScrollBar()->value(), kFixedRows, Rows() - 1);
}

void FlexGrid::setTopRow(int row) {
  if (Rows() == 0) return;
  row = std::clamp(row, kFixedRows, Rows() - 1);
  executeDelayedItemsLayout();  // the scroll range must know the current row count
  // Near the end the scroll bar stops at a full last page.
  verticalScrollBar()->setValue(row);
}

// ---- cells ---------------------------------------------------------------------------

QString FlexGrid::TextMatrix(int row, int col) const {
  checkCell(row, col);
  return model_->text(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
  checkCell(row, col);
  model_->setText(row, col, text);
}

void FlexGrid::Clear() { model_->clearCells(); }
void FlexGrid::clearKeepingContent() { model_->clearKeepingContent(); }

FlexGrid::CellRange FlexGrid::selectionRect() const {
  return {std::min(row_, rowSel_), std::min(col_, colSel_), std::max(row_, rowSel_),
          std::max(col_, colSel_)};
}

FlexGrid::CellRange FlexGrid::formatTarget() const {
  return fillStyle_ == 1 ? selectionRect() : CellRange{row_, col_, row_, col_};
}

FlexGrid::CellRange FlexGrid::selectedCells() const {
  const CellRange s = selectionRect();
  switch (selectionMode_) {
    case 1: return {s.row1, 0, s.row2, Cols() - 1};  // whole rows
    case 2: return {0, s.col1, Rows() - 1, s.col2};  // whole columns
    default: return s;
  }
}

void FlexGrid::selectionMoved() {
  repaintCells();
  // A fill or a striping pass moves the current cell thousands of times: the view hears of
  // the last place only.
  if (viewSyncQueued_) return;
  viewSyncQueued_ = true;
  QMetaObject::invokeMethod(this, [this] { syncView(); }, Qt::QueuedConnection);
}

// Qt's view keeps a current index and a selection of its own, which screen readers read and
// follow through the events the view sends as they change: they mirror the grid's.
void FlexGrid::syncView() {
  viewSyncQueued_ = false;
  if (Rows() == 0 || Cols() == 0) return;
  const CellRange s = selectedCells();
  selectionModel()->select(QItemSelection(model_->index(s.row1, s.col1), model_->index(s.row2, s.col2)),
                           QItemSelectionModel::ClearAndSelect);
  // Whole rows selected, the current column shows nowhere: the row's first scrolling cell
  // stands for the row, so what is read out names the row (the font's name in the catalogue).
  const int col = selectionMode_ == 1 ? std::min(kFixedCols, Cols() - 1) : col_;
  selectionModel()->setCurrentIndex(model_->index(row_, col), QItemSelectionModel::NoUpdate);
}

namespace {
using Format = FlexGridModel::CellFormat;
}

#define FLEXGRID_FORMAT(body)                                                       \
  do {                                                                              \
    if (Rows() == 0 || Cols() == 0) return; /* no current cell */                  \
    const CellRange t = formatTarget();                                            \
    model_->formatRange(t.row1, t.col1, t.row2, t.col2, [&](Format & f) { body; }); \
  } while (0)

void FlexGrid::setCellAlignment(int alignment) {
  if (alignment < 0 || alignment > 9) throw errors::invalidPropertyValue();
  FLEXGRID_FORMAT(f.align = int8_t(alignment));
}

void FlexGrid::setCellFontName(const QString& name) {
  if (Rows() == 0 || Cols() == 0) return;
  const int face = model_->faceIndex(name);
  FLEXGRID_FORMAT(f.face = face);
}

static void setStyleBit(Format& f, uint8_t bit, bool on) {
  f.styleSet |= bit;
  f.style = on ? uint8_t(f.style | bit) : uint8_t(f.style & ~bit);
}

void FlexGrid::setCellFontBold(bool on) { FLEXGRID_FORMAT(setStyleBit(f, FlexGridModel::Bold, on)); }
void FlexGrid::setCellFontItalic(bool on) {
  FLEXGRID_FORMAT(setStyleBit(f, FlexGridModel::Italic, on));
}
void FlexGrid::setCellFontUnderline(bool on) {
  FLEXGRID_FORMAT(setStyleBit(f, FlexGridModel::Underline, on));
}
void FlexGrid::setCellFontStrikeThrough(bool on) {
  FLEXGRID_FORMAT(setStyleBit(f, FlexGridModel::StrikeOut, on));
}
void FlexGrid::setCellFontFile(const QString& path, uint32_t face) {
  if (Rows() == 0 || Cols() == 0) return;
  const int file = path.isEmpty() ? -1 : model_->fileIndex(path, face);
  FLEXGRID_FORMAT(f.file = file);
}

void FlexGrid::setCellBackColor(uint32_t oleColor) {
  // The all-ones value marks "no colour of its own"; no OLE_COLOR takes it.
  if (oleColor == FlexGridModel::kInheritBack) throw errors::invalidPropertyValue();
  FLEXGRID_FORMAT(f.back = oleColor);
}

#undef FLEXGRID_FORMAT

QString FlexGrid::cellFontName(int row, int col) const {
  checkCell(row, col);
  const int face = model_->format(row, col).face;
  return face < 0 ? model_->baseFont().family() : model_->faceName(face);
}

QString FlexGrid::cellFontFile(int row, int col) const {
  checkCell(row, col);
  return model_->fileName(model_->format(row, col).file);
}

uint32_t FlexGrid::cellFontFace(int row, int col) const {
  checkCell(row, col);
  return model_->fileFaceIndex(model_->format(row, col).file);
}

int FlexGrid::fontFileLoads() const { return model_->fileFaces().loads(); }
size_t FlexGrid::fontFilesHeld() const { return model_->fileFaces().size(); }

QFont FlexGrid::cellFont(int row, int col) const {
  checkCell(row, col);
  return model_->cellFont(row, col);
}

uint32_t FlexGrid::cellBackColor(int row, int col) const {
  checkCell(row, col);
  const uint32_t back = model_->format(row, col).back;
  if (back != FlexGridModel::kInheritBack) return back;
  return (row < kFixedRows || col < kFixedCols) ? kBackColorFixed : backColor_;
}

int FlexGrid::cellAlignment(int row, int col) const {
  checkCell(row, col);
  const int align = model_->format(row, col).align;
  return align < 0 ? 9 : align;
}

// ---- sizes ---------------------------------------------------------------------------

int FlexGrid::ColWidth(int col) const {
  if (col < 0 || col >= Cols()) throw errors::subscriptOutOfRange();
  const int twips = colTwips_[size_t(col)];
  return twips < 0 ? kDefaultColTwips : twips;
}

void FlexGrid::setColWidth(int col, int twips) {
  if (col < 0 || col >= Cols()) throw errors::subscriptOutOfRange();
  if (twips < -1) throw errors::invalidPropertyValue();
  colTwips_[size_t(col)] = twips;
  setColumnWidth(col, twipsToPixels(twips < 0 ? kDefaultColTwips : twips));
}

void FlexGrid::fitNumbersInColumn(int col, int largest) {
  const QFontMetricsF metrics(font());  // the grid font, in which cells without a font of their own draw
  QChar widest = QLatin1Char('0');
  for (char d = '1'; d <= '9'; ++d)
    if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest)) widest = QLatin1Char(d);
  // Measured whole: the digits' fractions add up. Then the text's padding on both sides and the
  // grid line at the right.
  const QString number(QString::number(std::max(largest, 0)).size(), widest);
  const int pixels = int(std::ceil(metrics.horizontalAdvance(number))) + 2 * kTextPadding + 1;
  if (pixels > columnWidth(col)) setColWidth(col, pixelsToTwips(pixels));
}

void FlexGrid::setColumnName(int col, const QString& name) {
  checkCol(col);
  model_->setColumnName(col, name);
}

void FlexGrid::applyColumnWidths() {
  for (int c = 0; c < Cols(); ++c)
    setColumnWidth(c, twipsToPixels(colTwips_[size_t(c)] < 0 ? kDefaultColTwips
                                                              : colTwips_[size_t(c)]));
}

int FlexGrid::RowHeight(int row) const {
  if (row < 0 || row >= Rows()) throw errors::subscriptOutOfRange();
  return pixelsToTwips(rowPixels_);
}

int FlexGrid::RowHeightMin() const { return rowHeightMin_; }

void FlexGrid::setRowHeightMin(int twips) {
  if (twips < 0) throw errors::invalidPropertyValue();
  rowHeightMin_ = twips;
  applyRowHeight();
}

void FlexGrid::applyRowHeight() {
  // The base font decides the natural height, as in any grid, and a larger sample size; the
  // minimum may raise it.
  int natural = QFontMetrics(model_->baseFont()).height() + 3;
  if (samplePoints_ > 0) {
    QFont sample = model_->baseFont();
    sample.setPointSizeF(samplePoints_);
    natural = std::max(natural, QFontMetrics(sample).height() + 3);
  }
  const int minimum = twipsToPixels(rowHeightMin_);
  rowPixels_ = std::max(natural, minimum);
  verticalHeader()->setDefaultSectionSize(rowPixels_);
}

void FlexGrid::setSampleSize(double points) {
  if (points == samplePoints_) return;
  samplePoints_ = points;
  applyRowHeight();
  viewport()->update();
}

void FlexGrid::setTextChooser(FlexGridModel::TextChooser chooser) {
  model_->setTextChooser(std::move(chooser));
  viewport()->update();
}

double FlexGrid::FontSize() const { return model_->baseFont().pointSizeF(); }

void FlexGrid::setFontSize(double points) {
  if (!(points > 0 && points <= 2048)) throw errors::invalidPropertyValue();
  QFont base = font();
  base.setPointSizeF(points);
  setFont(base);  // changeEvent passes it on to the cells
}

int FlexGrid::Height() const { return pixelsToTwips(height()); }
void FlexGrid::setWidth(int twips) { resize(twipsToPixels(std::max(0, twips)), height()); }
void FlexGrid::setHeight(int twips) { resize(width(), twipsToPixels(std::max(0, twips))); }

// ---- modes ---------------------------------------------------------------------------

int FlexGrid::FocusRect() const { return focusRect_; }

void FlexGrid::setFocusRect(int value) {
  if (value < 0 || value > 2) throw errors::invalidPropertyValue();
  focusRect_ = value;
  repaintCells();
}

int FlexGrid::SelectionMode() const { return selectionMode_; }

void FlexGrid::setSelectionMode(int value) {
  if (value < 0 || value > 2) throw errors::invalidPropertyValue();
  selectionMode_ = value;
  selectionMoved();
}

int FlexGrid::FillStyle() const { return fillStyle_; }

void FlexGrid::setFillStyle(int value) {
  if (value < 0 || value > 1) throw errors::invalidPropertyValue();
  fillStyle_ = value;
}

bool FlexGrid::Redraw() const { return redraw_; }

void FlexGrid::setRedraw(bool on) {
  if (on == redraw_) return;
  redraw_ = on;
  setUpdatesEnabled(on);
  model_->setNotify(on);
  if (on) viewport()->update();
}

void FlexGrid::repaintCells() {
  if (redraw_) viewport()->update();
}

// ---- colours -------------------------------------------------------------------------

void FlexGrid::setBackColor(uint32_t oleColor) {
  backColor_ = oleColor;
  applyColors();
}

void FlexGrid::applyColors() {
  // The viewport's own background is the area beyond the last row and column.
  QPalette pal = viewport()->palette();
  const QColor bkg = oleColor(kBackColorBkg, palette());
  pal.setColor(QPalette::Base, bkg);
  pal.setColor(QPalette::Window, bkg);
  viewport()->setPalette(pal);
  viewport()->setAutoFillBackground(true);
  repaintCells();
}

void FlexGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) applyColors();
  // The widget's font is the grid's base font, whoever sets it.
  if (event->type() == QEvent::FontChange) {
    model_->setBaseFont(font());
    applyRowHeight();
  }
}

// ---- painting ------------------------------------------------------------------------

bool FlexGrid::isHighlighted(int row, int col) const {
  if (row < kFixedRows || col < kFixedCols) return false;
  const CellRange s = selectedCells();
  // With single cells the current cell itself shows by its focus rectangle, not by colour.
  return row >= s.row1 && row <= s.row2 && col >= s.col1 && col <= s.col2 &&
         !(selectionMode_ == 0 && row == row_ && col == col_);
}

void FlexGrid::paintCell(QPainter* painter, const QRect& rect, int row, int col) const {
  if (row >= Rows() || col >= Cols()) return;
  const QPalette& pal = palette();
  const bool fixed = row < kFixedRows || col < kFixedCols;
  const bool highlighted = isHighlighted(row, col);
  const FlexGridModel::CellFormat& format = model_->format(row, col);

  const uint32_t back = format.back != FlexGridModel::kInheritBack ? format.back
                        : fixed                                    ? kBackColorFixed
                                                                   : backColor_;
  QColor backColor = oleColor(back, pal);
  QColor foreColor = oleColor(fixed ? kForeColorFixed : kForeColor, pal);
  if (highlighted && hasFocus()) {
    backColor = oleColor(kBackColorSel, pal);
    foreColor = oleColor(kForeColorSel, pal);
  } else if (highlighted) {
    // Without the focus the selection takes the inactive highlight, as in Qt's own views, so
    // the user sees where the keys go; where the palette makes the two alike, the mid tone.
    backColor = pal.color(QPalette::Inactive, QPalette::Highlight);
    foreColor = pal.color(QPalette::Inactive, QPalette::HighlightedText);
    if (backColor == pal.color(QPalette::Active, QPalette::Highlight)) backColor = pal.color(QPalette::Mid);
  }
  // A fixed background (the light-blue rows) under a theme's text colour, or the other way round.
  foreColor = readableOn(backColor, foreColor);
  painter->fillRect(rect, backColor);

  // Grid lines on the right and bottom edge of each cell.
  painter->setPen(oleColor(kGridColor, pal));
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());

  const auto shown = model_->shownText(row, col);
  const QString& text = shown ? shown->text : model_->text(row, col);
  if (!text.isEmpty()) {
    const QRect inner = rect.adjusted(kTextPadding, 0, -kTextPadding, -1);
    painter->save();
    painter->setClipRect(rect.adjusted(0, 0, -1, -1));
    painter->setPen(foreColor);
    const Qt::Alignment align = qtAlignment(format.align, text);
    const QRawFont* face = format.file >= 0 ? model_->fileFace(format.file) : nullptr;
    if (face) {
      const uint8_t style = model_->cellStyle(row, col);
      drawInRawFont(painter, inner, align, text, *face, style & FlexGridModel::Underline,
                    style & FlexGridModel::StrikeOut);
    } else {
      painter->setFont(model_->cellFont(row, col));
      painter->drawText(inner, int(align) | Qt::TextSingleLine, text);
    }
    painter->restore();
  }

  if (focusRect_ != 0 && row == row_ && col == col_ && hasFocus()) {
    QPen pen(foreColor);
    pen.setStyle(focusRect_ == 1 ? Qt::DotLine : Qt::SolidLine);
    pen.setWidth(focusRect_ == 1 ? 1 : 2);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(1, 1, -2, -2));
  }
}

int FlexGrid::frozenWidth() const {
  if (horizontalOffset() <= 0) return 0;
  int width = 0;
  for (int c = 0; c < kFixedCols && c < Cols(); ++c) width += columnWidth(c);
  return width;
}

qreal FlexGrid::samplePixelSize() const {
  const QFont& base = model_->baseFont();
  if (base.pixelSize() > 0 && samplePoints_ <= 0) return base.pixelSize();
  const double points = samplePoints_ > 0 ? samplePoints_ : base.pointSizeF();
  // As the font database turns points into pixels, so a file's face matches the grid's size.
  return std::floor(points * logicalDpiY() / 72.0 * 100 + 0.5) / 100;
}

void FlexGrid::paintEvent(QPaintEvent* event) {
  model_->setFilePixelSize(samplePixelSize());
  {
    // The area beyond the cells, painted here rather than through the viewport's palette,
    // which a style sheet on any window above would replace.
    QPainter painter(viewport());
    painter.fillRect(event->rect(), oleColor(kBackColorBkg, palette()));
  }
  QTableView::paintEvent(event);
  // The fixed columns stay at the left edge while the other columns scroll sideways.
  const int frozen = frozenWidth();
  if (frozen == 0 || Rows() == 0) return;
  QPainter painter(viewport());
  int first = rowAt(0);
  int last = rowAt(viewport()->height() - 1);
  if (first < 0) return;
  if (last < 0) last = Rows() - 1;
  int x = 0;
  for (int c = 0; c < kFixedCols && c < Cols(); ++c) {
    const int w = columnWidth(c);
    for (int r = first; r <= last; ++r)
      paintCell(&painter, QRect(x, rowViewportPosition(r), w, rowHeight(r)), r, c);
    x += w;
  }
}

void FlexGrid::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  if (dx != 0 && kFixedCols > 0) viewport()->update();  // pixels shifted under the pinned columns
}

// ---- input ---------------------------------------------------------------------------

bool FlexGrid::cellAt(const QPoint& pos, int* row, int* col) const {
  const int r = rowAt(pos.y());
  if (r < 0) return false;
  int c = -1;
  if (pos.x() < frozenWidth()) {
    int x = 0;
    for (c = 0; c < kFixedCols - 1 && pos.x() >= x + columnWidth(c); ++c) x += columnWidth(c);
  } else {
    c = columnAt(pos.x());
  }
  if (c < 0) return false;
  *row = r;
  *col = c;
  return true;
}

void FlexGrid::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
  emit GotFocus();
}

void FlexGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
  emit LostFocus();
}

void FlexGrid::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  int row, col;
  if (event->button() != Qt::LeftButton || !cellAt(event->position().toPoint(), &row, &col)) {
    event->accept();
    return;
  }
  pressed_ = true;
  if (event->modifiers() & Qt::ShiftModifier) {
    rowSel_ = row;
    colSel_ = col;
  } else {
    row_ = rowSel_ = row;
    col_ = colSel_ = col;
  }
  viewport()->update();
  syncView();
  event->accept();
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void FlexGrid::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove();
  int row, col;
  if (pressed_ && (event->buttons() & Qt::LeftButton) &&
      cellAt(event->position().toPoint(), &row, &col) &&
      (row != rowSel_ || col != colSel_)) {
    rowSel_ = row;
    colSel_ = col;
    viewport()->update();
    syncView();
  }
  event->accept();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (!pressed_ || event->button() != Qt::LeftButton) return;
  pressed_ = false;
  emit Click();
}

void FlexGrid::wheelEvent(QWheelEvent* event) {
  // Left to the window: its wheel hook scrolls the grid by a page per notch.
  event->ignore();
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel &&
      (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
    // Over a scroll bar too: passed on unused, up to the window and its hook.
    event->ignore();
    return true;
  }
  return QTableView::eventFilter(watched, event);
}

void FlexGrid::moveCurrent(int row, int col, bool extend) {
  if (Rows() == 0 || Cols() == 0) return;
  row = std::clamp(row, kFixedRows, Rows() - 1);
  col = std::clamp(col, std::min(kFixedCols, Cols() - 1), Cols() - 1);
  if (extend) {
    rowSel_ = row;
    colSel_ = col;
  } else {
    row_ = rowSel_ = row;
    col_ = colSel_ = col;
  }
  scrollTo(model_->index(row, col));
  viewport()->update();
  syncView();  // at once: a screen reader follows the keys
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const int r = extend ? rowSel_ : row_, c = extend ? colSel_ : col_;
  const int page = std::max(1, viewport()->height() / std::max(1, rowPixels_) - 1);
  switch (event->key()) {
    case Qt::Key_Up: moveCurrent(r - 1, c, extend); break;
    case Qt::Key_Down: moveCurrent(r + 1, c, extend); break;
    case Qt::Key_Left: moveCurrent(r, c - 1, extend); break;
    case Qt::Key_Right: moveCurrent(r, c + 1, extend); break;
    case Qt::Key_PageUp: moveCurrent(r - page, c, extend); break;
    case Qt::Key_PageDown: moveCurrent(r + page, c, extend); break;
    case Qt::Key_Home: moveCurrent(0, c, extend); break;
    case Qt::Key_End: moveCurrent(Rows() - 1, c, extend); break;
    default: event->ignore(); return;
  }
  event->accept();
}
