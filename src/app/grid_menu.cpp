#include "app/grid_menu.h"

#include "app/form1.h"
#include "controls/flex_grid.h"

#include <QContextMenuEvent>

GridMenu::GridMenu(FlexGrid& grid, std::function<QMenu*(int row)> menuForRow)
    : QObject(&grid), grid_(grid), menuForRow_(std::move(menuForRow)) {
  grid.installEventFilter(this);
  grid.viewport()->installEventFilter(this);
}

QMenu* GridMenu::newMenu(FlexGrid& grid) {
  auto* menu = new QMenu(&grid);
  menu->setObjectName(QStringLiteral("gridRowMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  return menu;
}

bool GridMenu::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ContextMenu) return false;
  auto* menu = static_cast<QContextMenuEvent*>(event);
  if (watched == grid_.viewport()) {
    popup(grid_.rowAt(menu->pos().y()), menu->globalPos());
    return true;
  }
  if (watched != &grid_ || menu->reason() == QContextMenuEvent::Mouse) return false;
  // From the keyboard: the menu of the selected row, shown at that row.
  const int row = grid_.RowSel();
  const QRect cell = grid_.visualRect(grid_.model()->index(row, 1));
  popup(row, grid_.viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint()));
  return true;
}

void GridMenu::popup(int row, const QPoint& globalPos) {
  QMenu* menu = menuForRow_(row);
  if (menu->isEmpty()) delete menu;
  else menu->popup(globalPos);
}

void addSampleItems(QMenu& menu, Form1& form) {
  GridMenu::add(menu, &form, QStringLiteral("Sample Text\u2026"), [&form] { form.askSample(); })->setShortcut(kSampleKey);
  QAction* ownScript = GridMenu::add(menu, &form, QStringLiteral("Samples in Each Font's Own Script"), [&form](bool on) {
    SampleSettings sample = form.sample();
    sample.ownScript = on;
    form.setSample(sample);
  });
  ownScript->setCheckable(true);
  ownScript->setChecked(form.sample().ownScript);
}
