#pragma once
// A catalogue grid's context menu, opened as a right click on the row opens it (-1: below the
// rows); null when the grid shows none.
#include "controls/flex_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

inline QMenu* openGridMenu(FlexGrid& grid, int row) {
  const QPoint at = row < 0 ? QPoint(5, grid.viewport()->height() - 2) : grid.visualRect(grid.model()->index(row, 1)).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid.viewport()->mapToGlobal(at));
  QApplication::sendEvent(grid.viewport(), &event);
  return grid.findChild<QMenu*>("gridRowMenu");
}
