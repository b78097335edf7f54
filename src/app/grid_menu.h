#pragma once
// A catalogue grid's context menu, alike on both windows: the mouse opens it on the row under the
// pointer, the keyboard (menu key, Shift+F10) on the selected row, shown at that row. Each item's
// command runs once the menu's click is over: a question box or a refill lets events run, which
// would delete the closed menu while its click is still being handled.
#include <QMenu>
#include <QKeySequence>
#include <QObject>
#include <functional>

class FlexGrid;
class Form1;

inline const QKeySequence kSampleKey(Qt::CTRL | Qt::Key_T);

class GridMenu : public QObject {
 public:
  // `menuForRow` makes the menu for a row (-1: none, below the rows); an empty menu is not shown.
  GridMenu(FlexGrid& grid, std::function<QMenu*(int row)> menuForRow);

  // A menu that deletes itself once closed.
  static QMenu* newMenu(FlexGrid& grid);
  // An item whose command runs after the click; `command` may take the item's checked state.
  template <typename Command>
  static QAction* add(QMenu& menu, QObject* context, const QString& text, Command command) {
    QAction* action = menu.addAction(text);
    QObject::connect(action, &QAction::triggered, context, command, Qt::QueuedConnection);
    return action;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void popup(int row, const QPoint& globalPos);

  FlexGrid& grid_;
  std::function<QMenu*(int row)> menuForRow_;
};

// "Sample Text…" and "Samples in Each Font's Own Script", alike on both windows' menus.
void addSampleItems(QMenu& menu, Form1& form);
