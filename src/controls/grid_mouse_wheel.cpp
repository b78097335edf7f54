#include "controls/grid_mouse_wheel.h"

#include "controls/flex_grid.h"

#include <QPointer>
#include <QWheelEvent>
#include <QWidget>
#include <cmath>

namespace {
// Stands between the hooked window and its own handling. An event filter never replaces the
// window's handling, so taking the filter off is all an unhook has to put back.
class WheelHook final : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override { return GridWheelWindowProc(watched, event); }
};

WheelHook& wheelHook() {
  // Lives for the whole program; windows that go away take no dangling filter with them.
  static WheelHook* hook = new WheelHook;
  return *hook;
}

// Guarded pointers: a window or grid that is destroyed while referenced reads as nothing.
QPointer<QWidget> hookedHwnd;
QPointer<QWidget> hookedForm;
QPointer<FlexGrid> wheelGrid;

// The key-state word of a wheel message: buttons and the shift and control keys.
int keyStateOf(const QWheelEvent& wheel) {
  int state = 0;
  if (wheel.buttons() & Qt::LeftButton) state |= 0x01;
  if (wheel.buttons() & Qt::RightButton) state |= 0x02;
  if (wheel.modifiers() & Qt::ShiftModifier) state |= 0x04;
  if (wheel.modifiers() & Qt::ControlModifier) state |= 0x08;
  if (wheel.buttons() & Qt::MiddleButton) state |= 0x10;
  return state;
}

template <typename Statement>
void ignoringFailure(Statement statement) {
  try {
    statement();
  } catch (...) {
  }
}
}  // namespace

void HookGridWheel(QWidget* form, FlexGrid* grid) {
  hookedForm = form;
  hookedHwnd = form ? form->window() : nullptr;
  wheelGrid = grid;
  // Installing the same filter twice leaves one: a missed unhook cannot stack the hook.
  if (hookedHwnd) hookedHwnd->installEventFilter(&wheelHook());
}

void UnhookGridWheel() {
  if (hookedHwnd) hookedHwnd->removeEventFilter(&wheelHook());
  hookedForm = nullptr;
}

bool GridWheelWindowProc(QObject*, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    const auto* wheel = static_cast<const QWheelEvent*>(event);
    const int delta = wheel->angleDelta().y();
    // A sideways wheel and the begin/end markers of touchpad scrolling carry no vertical turn;
    // they are not wheel turns and must not page the grid.
    if (delta != 0) {
      const QPoint at = wheel->globalPosition().toPoint();
      ScrollGridByWheel(keyStateOf(*wheel), delta, at.x(), at.y(), wheelGrid.data());
    }
  }
  return false;
}

void ScrollGridByWheel(int, int delta, int, int, FlexGrid* grid) {
  if (!grid) return;
  int step = 0;
  ignoringFailure([&] {
    const float rows = float(grid->Height()) / float(grid->RowHeight(0));
    step = int(std::floor(rows));
  });
  if (step < 10) step = 10;
  int top = 0;
  if (delta > 0) {
    ignoringFailure([&] { top = grid->TopRow() - step; });
    // Down to the first scrollable row, so the first font comes back into view.
    ignoringFailure([&] {
      if (top < grid->FixedRows()) top = grid->FixedRows();
    });
  } else {
    ignoringFailure([&] { top = grid->TopRow() + step; });
    ignoringFailure([&] {
      if (top > grid->Rows() - 1) top = grid->Rows() - 1;
    });
  }
  ignoringFailure([&] { grid->setTopRow(top); });
}

QWidget* HookedHwnd() { return hookedHwnd.data(); }
QWidget* HookedForm() { return hookedForm.data(); }
FlexGrid* WheelGrid() { return wheelGrid.data(); }

void GridGotFocus(QWidget* form, FlexGrid* grid) {
  UnhookGridWheel();
  HookGridWheel(form, grid);
}

void GridClicked(QWidget* form, FlexGrid* grid) {
  GridGotFocus(form, grid);
  grid->setCol(0);
  grid->setColSel(grid->Cols() - 1);
}
