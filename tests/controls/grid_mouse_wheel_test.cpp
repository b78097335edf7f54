#include "controls/grid_mouse_wheel.h"
#include "controls/flex_grid.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A window that counts what reaches its own handling.
class CountingForm : public QWidget {
 public:
  int wheels = 0;
  int others = 0;

 protected:
  void wheelEvent(QWheelEvent* event) override {
    ++wheels;
    event->ignore();
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) ++others;
    return QWidget::event(e);
  }
};

// Delivers a wheel event as the application does for one that comes from the mouse: to the
// widget under the pointer, then up through its parents until one accepts it or the window is
// reached. (An event sent from code is not passed on to the parents, so the test walks them.)
// Returns the widget that accepted it, or nothing.
QWidget* deliverWheel(QWidget* over, int delta, QPoint angle = {}) {
  const QPointF at(10, 10);
  if (angle.isNull()) angle = QPoint(0, delta);
  QWheelEvent event(at, over->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  for (QWidget* w = over; w; w = w->parentWidget()) {
    event.setAccepted(true);
    if (QApplication::sendEvent(w, &event) && event.isAccepted()) return w;
    if (w->isWindow()) break;
  }
  return nullptr;
}

// A form holding a grid of `rows` rows, `heightTwips` high, with rows of 500 twips.
struct WheelSetup {
  std::unique_ptr<CountingForm> form = std::make_unique<CountingForm>();
  FlexGrid* grid = nullptr;

  explicit WheelSetup(int heightTwips, int rows = 200) {
    form->resize(800, 700);
    grid = new FlexGrid(form.get());
    grid->setGeometry(0, 0, 600, heightTwips / 15);
    grid->setRowHeightMin(500);
    grid->setRows(rows);
    form->show();
  }
  ~WheelSetup() { UnhookGridWheel(); }

  // One wheel message as it arrives over the grid's cells; +120 is a notch away from the user.
  void wheel(int delta, QWidget* target = nullptr) {
    EXPECT_EQ(deliverWheel(target ? target : grid->viewport(), delta), nullptr);
  }
  void hook() {
    UnhookGridWheel();
    HookGridWheel(form.get(), grid);
  }
};

}  // namespace

TEST(GridMouseWheel, ANotchMovesAboutAPage) {
  WheelSetup s(5895);  // the main grid's height
  ASSERT_EQ(s.grid->Height(), 5895);
  s.hook();
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 22);
  s.wheel(120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  // Only the sign counts: three notches in one message move one page.
  s.wheel(-360);
  EXPECT_EQ(s.grid->TopRow(), 22);
}

TEST(GridMouseWheel, ASmallGridStillMovesTenRows) {
  WheelSetup s(1500);  // three rows fit
  s.hook();
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 10);
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 20);
}

TEST(GridMouseWheel, StopsAtBothEnds) {
  WheelSetup s(5895, 40);
  s.hook();
  s.wheel(-120);
  s.wheel(-120);
  s.wheel(120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  // Toward the top the first font comes back into view.
  s.wheel(120);
  EXPECT_EQ(s.grid->TopRow(), 0);
  s.wheel(120);
  EXPECT_EQ(s.grid->TopRow(), 0);
  // Toward the end the grid keeps its last page full.
  for (int i = 0; i < 6; ++i) s.wheel(-120);
  const int last = s.grid->TopRow();
  EXPECT_GT(last, 22);
  EXPECT_LE(last, 39);
  EXPECT_EQ(s.grid->rowAt(s.grid->viewport()->height() - 2), 39);
}

TEST(GridMouseWheel, NothingWithoutTheHook) {
  WheelSetup s(5895);
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 0);
  s.hook();
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  UnhookGridWheel();
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  UnhookGridWheel();  // a second unhook is harmless
  // The grid is kept after an unhook; the form is let go.
  EXPECT_EQ(WheelGrid(), s.grid);
  EXPECT_EQ(HookedHwnd(), s.form.get());
  EXPECT_EQ(HookedForm(), nullptr);
}

TEST(GridMouseWheel, TheScrollBarsFollowTheHooksRulesToo) {
  WheelSetup s(5895);
  s.grid->setColWidth(1, 20000);  // wide enough for a horizontal scroll bar
  QApplication::processEvents();   // the bars take their ranges
  for (QWidget* bar : {static_cast<QWidget*>(s.grid->verticalScrollBar()),
                       static_cast<QWidget*>(s.grid->horizontalScrollBar())}) {
    UnhookGridWheel();
    s.grid->setTopRow(0);
    s.wheel(-120, bar);  // nothing without the hook, not even the bar's own few rows
    EXPECT_EQ(s.grid->TopRow(), 0);
    EXPECT_EQ(s.grid->horizontalScrollBar()->value(), 0);
    s.hook();
    s.wheel(-120, bar);  // a page, as over the cells
    EXPECT_EQ(s.grid->TopRow(), 11);
  }
}

TEST(GridMouseWheel, EveryEventStillReachesTheWindow) {
  WheelSetup s(5895);
  s.hook();
  s.wheel(-120);
  EXPECT_EQ(s.form->wheels, 1);  // passed on after scrolling
  QEvent user(QEvent::User);
  QApplication::sendEvent(s.form.get(), &user);
  EXPECT_EQ(s.form->others, 1);
  // A wheel turned over the window's own background scrolls the grid as well.
  s.wheel(-120, s.form.get());
  EXPECT_EQ(s.grid->TopRow(), 22);
  EXPECT_EQ(s.form->wheels, 2);
}

TEST(GridMouseWheel, HookingTwiceStillMovesOnePage) {
  WheelSetup s(5895);
  HookGridWheel(s.form.get(), s.grid);
  HookGridWheel(s.form.get(), s.grid);
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 11);
  UnhookGridWheel();
  s.wheel(-120);
  EXPECT_EQ(s.grid->TopRow(), 11);
}

TEST(GridMouseWheel, OddInputDoesNothingHarmful) {
  {
    WheelSetup s(5895, 0);  // no rows: row 0 has no height
    s.hook();
    s.wheel(-120);
    s.wheel(120);
    EXPECT_EQ(s.grid->TopRow(), 0);
  }
  {
    WheelSetup s(5895);
    s.hook();
    // A sideways wheel is no vertical turn.
    deliverWheel(s.grid->viewport(), 0, QPoint(120, 0));
    EXPECT_EQ(s.grid->TopRow(), 0);
    // The grid goes away while its window stays hooked.
    delete s.grid;
    s.grid = nullptr;
    EXPECT_EQ(WheelGrid(), nullptr);
    s.wheel(-120, s.form.get());
    EXPECT_EQ(s.form->wheels, 2);
  }
  ScrollGridByWheel(0, -120, 0, 0, nullptr);
}
