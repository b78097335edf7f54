#include "app/comparison_window.h"

#include "app/details_window.h"
#include "app/grid_menu.h"
#include "controls/comparison_list.h"
#include "controls/main_view.h"
#include "core/app_title.h"
#include "core/list_box.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& text, const QString& accessibleName, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setAccessibleName(accessibleName);
  b->setAutoDefault(false);  // Enter in the text box must not remove a font
  return b;
}

}  // namespace

ComparisonWindow::ComparisonWindow(AppServices services, QWidget* parent, const QString& text)
    : QDialog(parent), services_(services), model_(new ComparisonModel(this)) {
  setModal(false);
  resize(720, 560);

  // Made in the order Tab visits them: text, size, list, buttons.
  sampleText = new QLineEdit(text, this);
  sampleText->setAccessibleName(QStringLiteral("Sample text"));
  sampleText->setClearButtonEnabled(true);
  auto* textLabel = new QLabel(QStringLiteral("&Text:"), this);
  textLabel->setBuddy(sampleText);
  sampleSize = new QSpinBox(this);
  sampleSize->setRange(8, 144);
  sampleSize->setValue(36);
  sampleSize->setSuffix(QStringLiteral(" pt"));
  sampleSize->setAccessibleName(QStringLiteral("Sample size in points"));
  auto* sizeLabel = new QLabel(QStringLiteral("&Size:"), this);
  sizeLabel->setBuddy(sampleSize);

  list = new QListView(this);
  list->setModel(model_);
  list->setItemDelegate(new ComparisonDelegate(*model_, list));
  list->setUniformItemSizes(true);  // one height from the size: laying out 500 lines loads no face
  list->setAlternatingRowColors(true);
  list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  list->setAccessibleName(QStringLiteral("Fonts compared"));
  list->installEventFilter(this);

  removeButton = button(QStringLiteral("&Remove"), QStringLiteral("Remove the selected font"), this);
  clearButton = button(QStringLiteral("C&lear All"), QStringLiteral("Remove all fonts"), this);
  QPushButton* closeButton = button(QStringLiteral("Close"), QStringLiteral("Close"), this);

  auto* controls = new QHBoxLayout;
  controls->addWidget(textLabel);
  controls->addWidget(sampleText, 1);
  controls->addWidget(sizeLabel);
  controls->addWidget(sampleSize);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(removeButton);
  buttons->addWidget(clearButton);
  buttons->addStretch();
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);

  connect(sampleText, &QLineEdit::textChanged, model_, &ComparisonModel::setText);
  connect(sampleSize, &QSpinBox::valueChanged, this, &ComparisonWindow::setPoints);
  connect(removeButton, &QPushButton::clicked, this, &ComparisonWindow::removeSelected);
  connect(clearButton, &QPushButton::clicked, this, &ComparisonWindow::clearAll);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
  connect(model_, &ComparisonModel::rowsInserted, this, &ComparisonWindow::showCount);
  connect(model_, &ComparisonModel::rowsRemoved, this, &ComparisonWindow::showCount);
  connect(model_, &ComparisonModel::modelReset, this, &ComparisonWindow::showCount);
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ComparisonWindow::showCount);
  model_->setText(text);
  setPoints(sampleSize->value());
  showCount();
}

ComparisonWindow* ComparisonWindow::of(QWidget* owner) {
  return owner->findChild<ComparisonWindow*>(QString(), Qt::FindDirectChildrenOnly);
}

ComparisonWindow* ComparisonWindow::addSelectedRow(QWidget* owner, AppServices services, const FlexGrid& grid,
                                                   const ListBox& list) {
  const int row = selectedEntry(grid, list);
  if (row < 0) return nullptr;
  ComparisonWindow* window = of(owner);
  if (!window) {
    // It starts from the sample the grids show.
    auto* view = dynamic_cast<MainView*>(owner);
    window = new ComparisonWindow(services, owner, view ? view->sample().text : kSampleText);
  }
  window->add(list.ItemName(row), list.ItemPath(row), list.ItemFace(row));
  // Shown beside the grid, which keeps the focus: the next row can be picked and added at once.
  if (!window->isVisible()) {
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
  }
  window->raise();
  return window;
}

bool ComparisonWindow::add(const QString& name, const QString& path, uint32_t face) {
  int row = model_->find(path, face);
  if (row < 0) {
    if (count() >= kMostFaces) {
      services_.prompts.messageBox(QStringLiteral("The comparison already holds %1 fonts, the most it can hold. "
                                                  "Remove some before adding another.")
                                       .arg(kMostFaces),
                                   appTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
      return false;
    }
    row = model_->append({name, path, face});
  }
  list->setCurrentIndex(model_->index(row));
  list->scrollTo(model_->index(row));
  return true;
}

void ComparisonWindow::removeSelected() {
  const QModelIndexList selected = list->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return;
  const int row = selected.first().row();
  model_->remove(row);
  // The line that took its place is selected, so Delete goes on removing down the list.
  if (count() > 0) list->setCurrentIndex(model_->index(std::min(row, count() - 1)));
}

void ComparisonWindow::clearAll() { model_->clear(); }

void ComparisonWindow::setSampleText(const QString& text) { sampleText->setText(text); }

void ComparisonWindow::showRaised() {
  show();
  raise();
  activateWindow();
}

int ComparisonWindow::count() const { return model_->rowCount(); }

void ComparisonWindow::setPoints(int points) { model_->setPixelSize(points * list->logicalDpiY() / 72.0); }

void ComparisonWindow::showCount() {
  setWindowTitle(count() ? QStringLiteral("Font Comparison (%1)").arg(count()) : QStringLiteral("Font Comparison"));
  clearButton->setEnabled(count() > 0);
  removeButton->setEnabled(list->selectionModel()->hasSelection());
}

bool ComparisonWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != list || event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Delete || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  removeSelected();
  return true;
}

void addComparisonItems(QMenu& menu, QObject* context, QWidget* owner, AppServices services, const FlexGrid& grid,
                        const ListBox& list) {
  GridMenu::add(menu, context, QStringLiteral("Add to Comparison"), [owner, services, &grid, &list] {
    ComparisonWindow::addSelectedRow(owner, services, grid, list);
  })->setShortcut(kCompareKey);
  const ComparisonWindow* window = ComparisonWindow::of(owner);
  GridMenu::add(menu, context, QStringLiteral("Show Comparison"), [owner] {
    if (ComparisonWindow* w = ComparisonWindow::of(owner)) w->showRaised();
  })->setEnabled(window && window->count() > 0);
}
