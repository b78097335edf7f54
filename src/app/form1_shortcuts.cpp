#include "app/form1_shortcuts.h"

#include "app/comparison_window.h"
#include "app/details_window.h"
#include "app/form1.h"
#include "app/grid_menu.h"
#include "controls/flex_grid.h"
#include "ops/ops_commands.h"
#include "platform/clipboard_files.h"

#include <QApplication>
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
  new GridMenu(*form.MSFlexGrid1, [this](int row) { return rowMenu(row); });
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
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Copy)) {
    form_.PushButton7_Click();
    return true;
  }
  const auto mods = key->modifiers() & ~Qt::KeypadModifier;
  if (key->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
    form_.PushButton4_Click();
    return true;
  }
  if (QKeySequence(key->keyCombination()) == kDetailsKey) {
    form_.showDetails();
    return true;
  }
  if (QKeySequence(key->keyCombination()) == kCompareKey) {
    ComparisonWindow::addSelectedRow(&form_, form_.services(), *form_.MSFlexGrid1, form_.List1);
    return true;
  }
  if (QKeySequence(key->keyCombination()) == kSampleKey) {
    form_.askSample();
    return true;
  }
  return false;
}

bool Form1Conveniences::viewportEvent(QEvent* event) {
  FlexGrid& grid = *form_.MSFlexGrid1;
  switch (event->type()) {
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
  QMenu* menu = GridMenu::newMenu(*form_.MSFlexGrid1);
  const auto add = [&](const QString& text, auto command) { return GridMenu::add(*menu, this, text, command); };
  if (hasRow(row)) {
    selectRow(row);
    // The commands act on the selected row, the row just selected.
    add(QStringLiteral("Copy Font File"), [this] { form_.PushButton7_Click(); })->setShortcut(QKeySequence::Copy);
    add(QStringLiteral("Remove Font\u2026"), [this] { form_.PushButton4_Click(); })->setShortcut(Qt::Key_Delete);
    add(QStringLiteral("Open Containing Folder"), [this, row] { openContainingFolder(row); });
    add(QStringLiteral("Font Details\u2026"), [this] { form_.showDetails(); })->setShortcut(kDetailsKey);
    addComparisonItems(*menu, this, &form_, form_.services(), *form_.MSFlexGrid1, form_.List1);
    menu->addSeparator();
  }
  // Offered below the rows too: a catalogue with no .ttf file at all shows no row to click.
  QAction* formats = add(QStringLiteral("Show OpenType and collection files"),
                         [this](bool on) { form_.setFontFormats(on ? FontFormats::All : FontFormats::TrueType); });
  formats->setCheckable(true);
  formats->setChecked(form_.fontFormats() == FontFormats::All);
  addSampleItems(*menu, form_);
  menu->addSeparator();
  add(QStringLiteral("Search by Properties\u2026"), [this] { form_.searchByProperties(); });
  add(QStringLiteral("Clear Property Search"), [this] { form_.clearPropertySearch(); })
      ->setEnabled(!form_.propertySearch().isEmpty());
  return menu;
}

void Form1Conveniences::openContainingFolder(int row) {
  if (hasRow(row)) ::openContainingFolder(form_.services(), form_.List1.ItemPath(row));
}
