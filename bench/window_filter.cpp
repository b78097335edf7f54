// The main window with the real services over the configured fonts, in one process: the first
// fill (as at start-up, nothing cached yet), then clicks on Filter over the same, unchanged
// tree. Prints the first fill's seconds, then each Filter's, one per line. With --mono, each
// round is a property search for monospaced faces instead: the first one reads every face's
// details, the others find them kept. With --sample, each round sets a new sample text and
// prints the seconds until the rows in view are drawn with it, then the seconds a page of
// scrolling takes to draw with the default sample and with that text.
// Usage: typorama_window_filter ROUNDS [FILTER TEXT] [--mono | --sample]
#include "app/form1.h"
#include "app/property_search.h"
#include "app/qt_services.h"
#include "catalogue/catalogue_cache.h"
#include "controls/flex_grid.h"
#include "office/office_factory.h"
#include "platform/platform_factory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
// Never the one start in a hundred that visits the home page.
struct NoVisit final : RandomSource {
  void seedFromTime() override {}
  double next() override { return 0.5; }
};

// Seconds to draw the grid a page further down, averaged over ten pages.
double pageSeconds(FlexGrid& grid) {
  QElapsedTimer timer;
  timer.start();
  const int page = grid.viewport()->height() / grid.rowHeight(0);
  for (int k = 0; k < 10; ++k) {
    grid.setTopRow(std::min(grid.Rows() - 1, grid.TopRow() + page));
    grid.viewport()->repaint();
  }
  return timer.nsecsElapsed() / 1e9 / 10;
}

// A new sample text, then the rows in view drawn with it; then a page of scrolling with each.
void sampleRound(Form1& form, int k) {
  FlexGrid& grid = *form.MSFlexGrid1;
  grid.setTopRow(grid.Rows() / 2);
  grid.viewport()->repaint();
  SampleSettings sample;
  sample.text = k % 2 ? QStringLiteral("Sphinx of black quartz, judge my vow") : QStringLiteral("Hamburgefonstiv 0123");
  QElapsedTimer timer;
  timer.start();
  form.setSample(sample);
  grid.viewport()->repaint();
  const double change = timer.nsecsElapsed() / 1e9;
  const double custom = pageSeconds(grid);
  form.setSample(SampleSettings());
  grid.setTopRow(grid.Rows() / 2);
  grid.viewport()->repaint();
  std::printf("%.6f %.6f %.6f\n", change, pageSeconds(grid), custom);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  QStringList rest;
  for (int k = 2; k < argc; ++k) rest << QString::fromLocal8Bit(argv[k]);
  const bool mono = rest.removeAll(QStringLiteral("--mono")) > 0;
  const bool sample = rest.removeAll(QStringLiteral("--sample")) > 0;
  const QString filter = rest.value(0);
  QtPrompts prompts;
  EventLoopYielder yielder;
  NoVisit random;
  const PlatformServices platform = makePlatformServices();
  office::OfficeFactory office;
  CatalogueCache cache(*platform.files);  // in memory only
  AppServices services{prompts, yielder, random, *platform.files, *platform.fonts, *platform.desktop, &office, &cache};
  Form1 form(services);
  QElapsedTimer timer;
  timer.start();
  form.Form_Load();
  std::printf("%.6f\n", timer.nsecsElapsed() / 1e9);
  form.show();
  QCoreApplication::processEvents();
  form.Text1->setText(filter);
  for (int k = 0; k < rounds; ++k) {
    if (sample) {
      sampleRound(form, k);
      continue;
    }
    timer.restart();
    if (mono) {
      PropertyConditions conditions;
      conditions.mono = true;
      form.setPropertyConditions(conditions);
    } else {
      form.PushButton1_Click();
    }
    std::printf("%.6f\n", timer.nsecsElapsed() / 1e9);
  }
  return 0;
}
