#include "app/form1_shortcuts.h"

#include "app/form1.h"
#include "controls/flex_grid.h"
#include "ops/ops_commands.h"
#include "platform/clipboard_files.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

QStringList droppedFiles(const QDropEvent& event) {
  // A drag from this program's own grid would copy a font onto itself.
  if (event.source()) return {};
  QStringList files;
  for (const QUrl& url : event.mimeData()->urls()) {
    const auto path = localPathOf(url);
    if (!path) return {};
    files << *path;
  }
  return files;
}

Form1Conveniences::Form1Conveniences(Form1& form) : QObject(&form), form_(form) {
  runDrag = [](QDrag& drag) { drag.exec(Qt::CopyAction, Qt::CopyAction); };
  connect(form.Text1, &QLineEdit::returnPressed, &form, &Form1::PushButton1_Click);
  form.MSFlexGrid1->installEventFilter(this);
  form.MSFlexGrid1->viewport()->installEventFilter(this);
  form.setAcceptDrops(true);
  form.installEventFilter(this);
  form.Text1->installEventFilter(this);  // the text box would take the files' names as text
}

bool Form1Conveniences::hasRow(int row) const {
  return row >= 0 && row < form_.MSFlexGrid1->Rows() && row < form_.List1.ListCount();
}

void Form1Conveniences::selectRow(int row) {
  form_.MSFlexGrid1->setRow(row);
  form_.MSFlexGrid1_Click();  // as a click on the row: the whole row is selected
}

bool Form1Conveniences::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return (watched == &form_ || watched == form_.Text1) && dropEvent(watched, event);
    default: break;
  }
  if (watched == form_.MSFlexGrid1) return gridEvent(event);
  if (watched == form_.MSFlexGrid1->viewport()) return viewportEvent(event);
  return false;
}

bool Form1Conveniences::gridEvent(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
      form_.PushButton7_Click();
      return true;
    }
    if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      form_.PushButton4_Click();
      return true;
    }
  } else if (event->type() == QEvent::ContextMenu) {
    // From the keyboard: the menu of the selected row, shown at that row.
    auto* menu = static_cast<QContextMenuEvent*>(event);
    FlexGrid& grid = *form_.MSFlexGrid1;
    if (menu->reason() != QContextMenuEvent::Mouse) {
      const int row = grid.RowSel();
      const QRect cell = grid.visualRect(grid.model()->index(row, 1));
      popupRowMenu(row, grid.viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint()));
      return true;
    }
  }
  return false;
}

bool Form1Conveniences::viewportEvent(QEvent* event) {
  FlexGrid& grid = *form_.MSFlexGrid1;
  switch (event->type()) {
    case QEvent::ContextMenu: {
      auto* menu = static_cast<QContextMenuEvent*>(event);
      popupRowMenu(grid.rowAt(menu->pos().y()), menu->globalPos());
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const int row = grid.rowAt(mouse->position().toPoint().y());
      pressRow_ = mouse->button() == Qt::LeftButton && hasRow(row) ? row : -1;
      pressPos_ = mouse->position().toPoint();
      return false;  // the grid selects as usual
    }
    case QEvent::MouseButtonRelease: pressRow_ = -1; return false;
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (pressRow_ < 0 || !(mouse->buttons() & Qt::LeftButton) ||
          (mouse->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return false;
      const int row = pressRow_;
      pressRow_ = -1;
      selectRow(row);
      // The file itself, never its name as text: file managers and desktops copy it.
      // Qt deletes the drag once the target has taken the data, which may be after exec returns.
      auto* drag = new QDrag(grid.viewport());
      drag->setMimeData(fileListMimeDataForDisplay({form_.List1.ItemPath(row)}));
      runDrag(*drag);
      return true;
    }
    default: return false;
  }
}

bool Form1Conveniences::dropEvent(QObject* watched, QEvent* event) {
  auto* drop = static_cast<QDropEvent*>(event);
  const QStringList files = droppedFiles(*drop);
  if (files.isEmpty()) {
    if (watched != &form_) return false;  // the text box takes text as usual
    drop->ignore();  // the window takes files only
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (event->type() == QEvent::Drop) {
    // Installed once the drag has ended, so the source is not kept waiting by the outcome box.
    QMetaObject::invokeMethod(
        this, [this, files] { ops::installDroppedFonts(form_, files); }, Qt::QueuedConnection);
  }
  return true;
}

QMenu* Form1Conveniences::rowMenu(int row) {
  auto* menu = new QMenu(form_.MSFlexGrid1);
  menu->setObjectName(QStringLiteral("gridRowMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  // Each command runs once the menu's click is over: a question box or a refill lets events run,
  // which would delete the closed menu while its click is still being handled.
  const auto add = [&](const QString& text, auto command) {
    QAction* action = menu->addAction(text);
    connect(action, &QAction::triggered, this, command, Qt::QueuedConnection);
    return action;
  };
  if (hasRow(row)) {
    selectRow(row);
    // The commands act on the selected row, the row just selected.
    add(QStringLiteral("Copy Font File"), [this] { form_.PushButton7_Click(); })->setShortcut(QKeySequence::Copy);
    add(QStringLiteral("Remove Font\u2026"), [this] { form_.PushButton4_Click(); })->setShortcut(Qt::Key_Delete);
    add(QStringLiteral("Open Containing Folder"), [this, row] { openContainingFolder(row); });
    menu->addSeparator();
  }
  // Offered below the rows too: a catalogue with no .ttf file at all shows no row to click.
  QAction* formats = add(QStringLiteral("Show OpenType and collection files"),
                         [this](bool on) { form_.setFontFormats(on ? FontFormats::All : FontFormats::TrueType); });
  formats->setCheckable(true);
  formats->setChecked(form_.fontFormats() == FontFormats::All);
  return menu;
}

void Form1Conveniences::popupRowMenu(int row, const QPoint& globalPos) { rowMenu(row)->popup(globalPos); }

void Form1Conveniences::openContainingFolder(int row) {
  if (!hasRow(row)) return;
  const QString path = form_.List1.ItemPath(row);
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
  form_.services().desktop.openUrl(QString::fromLatin1(fileUri(folder)));
}
