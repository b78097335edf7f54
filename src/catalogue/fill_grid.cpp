#include "catalogue/fill_grid.h"

#include "controls/flex_grid.h"
#include "controls/flex_grid_model.h"
#include "controls/progress_bar.h"
#include "core/catalogue_entry.h"
#include "core/vendor.h"
#include "fontfile/cfont_preview.h"

#include <QAccessible>
#include <iterator>
#include <optional>

uint8_t sampleStyle(const FontFacts& f) {
  return static_cast<uint8_t>((f.bold ? FlexGridModel::Bold : 0) | (f.italic ? FlexGridModel::Italic : 0) |
                              (f.underlined ? FlexGridModel::Underline : 0) |
                              (f.strikeOut ? FlexGridModel::StrikeOut : 0));
}

namespace {
// The decimal digits of a row number, as QString::number writes them, without its general path
// (a fill writes one per row): at the end of `digits`, whose start is returned.
char16_t* writeDigits(unsigned n, char16_t (&digits)[10]) {
  char16_t* at = std::end(digits);
  do {
    *--at = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
  } while (n != 0);
  return at;
}

QString rowNumber(int n) {
  if (n < 0) return QString::number(n);
  char16_t digits[10];
  const char16_t* at = writeDigits(static_cast<unsigned>(n), digits);
  return QString(reinterpret_cast<const QChar*>(at), std::end(digits) - at);
}

bool showsRowNumber(const QString& text, int n) {
  char16_t digits[10];
  const char16_t* at = writeDigits(static_cast<unsigned>(n), digits);
  return text == QStringView(at, std::end(digits));
}

// The style of entry i's sample: kept with the entry by the collection, else from the facts;
// nothing when the fill would read the entry's file for it.
std::optional<uint8_t> entryStyle(const ListBox& list, int i, const FactsByFace& facts) {
  if (const uint32_t data = list.ItemData(i); data != ListBox::kNoData) return static_cast<uint8_t>(data);
  const auto it = facts.constFind({list.ItemPath(i), list.ItemFace(i)});
  if (it == facts.constEnd()) return std::nullopt;
  return sampleStyle(*it);
}

// True when the grid already holds what the loop of fillCatalogueGrid would write for every entry
// of the list, its tables of font names and files built in the same order: a refill that finds
// the same entries (the Filter button over unchanged files) then keeps the cells as they are.
bool gridShows(const FlexGrid& grid, const ListBox& list, const FactsByFace& facts, const QString& sampleText) {
  using Format = FlexGridModel::CellFormat;
  const FlexGridModel& cells = grid.cells();
  const int count = list.ListCount();
  if (cells.rows() != count || cells.cols() != 3 || cells.fileCount() != count) return false;
  const auto formatIs = [](const Format& f, int align, int face, int file, uint8_t styleSet, uint8_t style) {
    return f.align == align && f.face == face && f.file == file && f.styleSet == styleSet && f.style == style;
  };
  int faces = 0;  // the names a rewrite would have entered by now, entered in their first row's order
  for (int i = 0; i < count; ++i) {
    const QStringView name = list.ItemNameView(i), path = list.ItemPathView(i);
    const uint32_t face = list.ItemFace(i);
    const std::optional<uint8_t> style = entryStyle(list, i, facts);
    if (!style) return false;  // the row's file would be read
    const Format& sample = cells.format(i, 2);
    if (sample.face == faces) ++faces;
    if (!formatIs(cells.format(i, 0), -1, -1, -1, 0, 0) || !formatIs(cells.format(i, 1), -1, -1, -1, 0, 0) ||
        sample.face < 0 || sample.face >= faces || !formatIs(sample, 1, sample.face, i, 0x0F, *style) ||
        cells.faceName(sample.face) != name || cells.fileName(i) != path || cells.fileFaceIndex(i) != face ||
        !showsRowNumber(cells.text(i, 0), i + 1) || cells.text(i, 1) != name || cells.text(i, 2) != sampleText)
      return false;
  }
  return faces == cells.faceCount();
}

}  // namespace

double progressPercent(int i, int count) {
  if (count <= 1) return 100.0;
  return static_cast<double>(i) / (count - 1) * 100.0;
}

void nameCatalogueGrid(FlexGrid& grid) {
  grid.setAccessibleName(QStringLiteral("Fonts"));
  grid.setColumnName(0, QStringLiteral("Number"));
  grid.setColumnName(1, QStringLiteral("Full name"));
  grid.setColumnName(2, QStringLiteral("Sample"));
}

void fillCatalogueGrid(AppServices& services, ErrorTrap& trap, FlexGrid& grid, const ListBox& list,
                       ProgressBar& bar, const FactsByFace& facts, const QString& sampleText) {
  int count = 0;
  trap(122, [&] { count = list.ListCount(); });
  trap(124, [&] {
    grid.setRows(count);
    grid.fitNumbersInColumn(0, count);
  });
  if (grid.Rows() == 0) return;
  // The bar shows each row's step before anything outside the grid can see it: at once for a
  // screen reader, which hears every step; else when the row's file is read, or the last row is
  // done. Nothing draws the bar during the loop, so the steps between go unseen either way.
  const bool everyStep = QAccessible::isActive();
  // Rows that would be written as they stand are kept; the grid then ends as a rewrite leaves it.
  const bool keep = !everyStep && gridShows(grid, list, facts, sampleText);
  trap(126, [&] {
    grid.setRow(0);
    if (keep)
      grid.clearKeepingContent();
    else
      grid.Clear();
    grid.setCol(2);
  });
  int stepShown = -1;
  const auto showStep = [&](int i) {
    if (i == stepShown) return;
    stepShown = i;
    trap(128, [&] {
      bar.setValue(progressPercent(i, count));
      bar.setText(QStringLiteral("Loading font ") + QString::number(i + 1) + QStringLiteral(" from ") +
                  QString::number(count));
    });
  };
  // The rows are written without a repaint each; the grid draws them all once done.
  const bool redraw = grid.Redraw();
  if (redraw) grid.setRedraw(false);
  if (keep) trap(132, [&] { grid.setRow(count - 1); });  // where the loop leaves the current cell
  for (int i = 0; !keep && i < count; ++i) {
    QString name, path;
    uint32_t face = 0;
    if (everyStep) showStep(i);
    trap(130, [&] {
      name = list.ItemName(i);
      path = list.ItemPath(i);
      face = list.ItemFace(i);
    });
    trap(132, [&] {
      grid.setRow(i);
      grid.setCellAlignment(1);
    });
    trap(134, [&] {
      grid.setTextMatrix(i, 0, rowNumber(i + 1));
      grid.setTextMatrix(i, 1, name);
      grid.setTextMatrix(i, 2, sampleText);
    });
    uint8_t style = 0;
    trap(136, [&] {
      if (const std::optional<uint8_t> known = entryStyle(list, i, facts)) {
        style = *known;
      } else {
        showStep(i);
        CFontPreview reader(services.fs, services.fonts);
        reader.setFontFileFace(path, face);
        style = sampleStyle(factsOf(reader));
      }
    });
    trap(138, [&] {
      grid.setCellFontName(name);
      // The sample is drawn from the row's own file: the name alone may belong to another
      // file, or to a face the system has never seen.
      grid.setCellFontFile(path, face);
      grid.setCellFontBold(style & FlexGridModel::Bold);
      grid.setCellFontItalic(style & FlexGridModel::Italic);
      grid.setCellFontUnderline(style & FlexGridModel::Underline);
      grid.setCellFontStrikeThrough(style & FlexGridModel::StrikeOut);
    });
  }
  showStep(count - 1);
  if (redraw) grid.setRedraw(true);
}

void writeSampleText(FlexGrid& grid, const QString& text) {
  if (grid.Cols() < 3) return;
  const bool redraw = grid.Redraw();
  if (redraw) grid.setRedraw(false);
  for (int i = 0; i < grid.Rows(); ++i) grid.setTextMatrix(i, 2, text);
  if (redraw) grid.setRedraw(true);
}

QString noFontsFoundText() {
  return QStringLiteral("Error #195454: No fonts found. \r\nPlease email ") + vendor::kSupportEmail +
         QStringLiteral(" with a screenshot of this message if you have any questions.");
}

QString noFontsFoundLine() {
  const QString text = noFontsFoundText();
  return text.left(text.indexOf(QLatin1Char('\r')));
}

void showNoFontsFound(Prompts& prompts) {
  prompts.messageBox(noFontsFoundText(), QStringLiteral("Application Error"), MsgButtons::Ok,
                     MsgIcon::Exclamation);
}

void StripeGridRows(FlexGrid& grid, uint32_t evenColor, uint32_t oddColor) {
  grid.setRedraw(false);
  grid.setFillStyle(1);
  const int last = grid.Rows() - 1;
  for (int r = grid.FixedRows(); r <= last; ++r) {
    grid.setRow(r);
    for (int c = 0; c <= grid.Cols() - 1; ++c) {
      grid.setColSel(c);
      grid.setCellBackColor(r % 2 == 0 ? evenColor : oddColor);
    }
  }
  grid.setFillStyle(0);
  grid.setRedraw(true);
}
