#include "app/details_window.h"

#include "app/face_sample.h"
#include "controls/flex_grid.h"
#include "core/app_title.h"
#include "core/list_box.h"
#include "fontfile/load_face_details.h"
#include "platform/clipboard_files.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A value longer than this, or of several lines, wraps in a box of a few lines.
constexpr int kLineLength = 64;
constexpr int kMostLines = 5;

// A read-only field: focusable, selectable, copyable, and named by its label for screen readers.
QWidget* valueWidget(const DetailField& field, QWidget* parent) {
  QWidget* w = nullptr;
  if (field.value.size() > kLineLength || field.value.contains(QLatin1Char('\n'))) {
    auto* box = new QPlainTextEdit(field.value, parent);
    box->setReadOnly(true);
    box->setTabChangesFocus(true);
    box->setFrameShape(QFrame::NoFrame);
    const int lines = std::min<int>(kMostLines, field.value.count(QLatin1Char('\n')) + 1 +
                                                    field.value.size() / kLineLength);
    box->setFixedHeight(lines * box->fontMetrics().lineSpacing() + 2 * int(box->document()->documentMargin()) + 2);
    w = box;
  } else {
    auto* line = new QLineEdit(field.value, parent);
    line->setReadOnly(true);
    line->setFrame(false);
    line->setCursorPosition(0);
    w = line;
  }
  // On the window's own background: values to read, not boxes to fill in.
  QPalette pal = w->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Window));
  w->setPalette(pal);
  w->setObjectName(field.key);
  w->setAccessibleName(field.label);
  return w;
}

}  // namespace

DetailsWindow::DetailsWindow(AppServices services, QWidget* parent) : QDialog(parent), services_(services) {
  setWindowTitle(QStringLiteral("Font Details"));
  setModal(false);
  resize(620, 640);

  sampleSize = new QSpinBox(this);
  sampleSize->setRange(6, 144);
  sampleSize->setValue(36);
  sampleSize->setSuffix(QStringLiteral(" pt"));
  sampleSize->setAccessibleName(QStringLiteral("Sample size in points"));
  auto* sizeLabel = new QLabel(QStringLiteral("Sample size:"), this);
  sizeLabel->setBuddy(sampleSize);
  sample = new FaceSample;
  sampleArea_ = new QScrollArea(this);
  sampleArea_->setWidget(sample);
  sampleArea_->setWidgetResizable(true);
  sampleArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(sampleSize, &QSpinBox::valueChanged, this, [this](int points) {
    sample->setPoints(points);
    fitSample();
  });

  unreadable_ = new QLabel(this);
  unreadable_->setWordWrap(true);
  unreadable_->hide();
  auto* fieldsArea = new QScrollArea(this);
  auto* fieldsPage = new QWidget;
  auto* pageLayout = new QVBoxLayout(fieldsPage);
  form_ = new QFormLayout;
  pageLayout->addLayout(form_);
  pageLayout->addStretch();  // the rows stay together at the top
  fieldsArea->setWidget(fieldsPage);
  fieldsPage_ = fieldsPage;
  fieldsArea->setWidgetResizable(true);

  folderButton = new QPushButton(QStringLiteral("Open Containing Folder"), this);
  copyButton = new QPushButton(QStringLiteral("Copy All"), this);
  auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
  connect(folderButton, &QPushButton::clicked, this, &DetailsWindow::openContainingFolder);
  connect(copyButton, &QPushButton::clicked, this, &DetailsWindow::copyAll);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(sizeLabel);
  sizeRow->addWidget(sampleSize);
  sizeRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(folderButton);
  buttons->addStretch();
  buttons->addWidget(copyButton);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(sizeRow);
  layout->addWidget(sampleArea_);
  layout->addWidget(unreadable_);
  layout->addWidget(fieldsArea, 1);
  layout->addLayout(buttons);
}

DetailsWindow* DetailsWindow::openFor(QWidget* owner, AppServices services, FlexGrid& grid, const ListBox& list) {
  if (grid.Rows() == 0 || list.ListCount() == 0) return nullptr;
  auto* window = owner->findChild<DetailsWindow*>(QString(), Qt::FindDirectChildrenOnly);
  if (!window) window = new DetailsWindow(services, owner);
  window->show();
  window->raise();
  window->activateWindow();
  window->follow(grid, list);
  return window;
}

void DetailsWindow::follow(FlexGrid& grid, const ListBox& list) {
  for (const auto& connection : following_) disconnect(connection);
  grid_ = &grid;
  list_ = &list;
  // The grid tells its view where the selection went once a move is over; so are we told.
  QItemSelectionModel* selection = grid.selectionModel();
  following_ = {connect(selection, &QItemSelectionModel::currentChanged, this, &DetailsWindow::showSelectedRow),
                connect(selection, &QItemSelectionModel::selectionChanged, this, &DetailsWindow::showSelectedRow)};
  path_.clear();  // read afresh: the file may have changed since the window last showed it
  showSelectedRow();
}

void DetailsWindow::showSelectedRow() {
  if (!grid_ || !isVisible()) return;
  const int row = selectedEntry(*grid_, *list_);
  if (row < 0) return;
  const QString path = list_->ItemPath(row);
  const uint32_t face = list_->ItemFace(row);
  if (path != path_ || face != face_) showFace(path, face);
}

int selectedEntry(const FlexGrid& grid, const ListBox& list) {
  const int row = grid.RowSel();
  return row >= 0 && row < grid.Rows() && row < list.ListCount() ? row : -1;
}

void DetailsWindow::showFace(const QString& path, uint32_t face) {
  path_ = path;
  face_ = face;
  const auto details = loadFaceDetails(services_.fs, services_.fonts, path, face, services_.fonts.localeId());
  fields_ = details ? detailFields(*details, path, face) : QList<DetailField>{};
  const QString name = details ? details->names[4] : QString();
  setWindowTitle(name.isEmpty() ? QStringLiteral("Font Details") : QStringLiteral("Font Details \u2014 ") + name);
  unreadable_->setText(details ? QString() : QStringLiteral("This face cannot be read: %1").arg(path));
  unreadable_->setVisible(!details);
  copyButton->setEnabled(details.has_value());
  sample->setFace(path, face);
  fitSample();
  showFields();
}

void DetailsWindow::showFields() {
  while (form_->rowCount() > 0) form_->removeRow(0);
  QWidget* previous = sampleSize;
  for (const DetailField& field : fields_) {
    QWidget* value = valueWidget(field, fieldsPage_);
    auto* label = new QLabel(field.label + QLatin1Char(':'), fieldsPage_);
    label->setBuddy(value);
    form_->addRow(label, value);
    setTabOrder(previous, value);
    previous = value;
  }
  setTabOrder(previous, folderButton);
}

void DetailsWindow::fitSample() {
  // As tall as the sample; a sample wider than the window scrolls sideways.
  sampleArea_->setFixedHeight(sample->minimumHeight() + sampleArea_->horizontalScrollBar()->sizeHint().height() +
                              2 * sampleArea_->frameWidth());
}

void DetailsWindow::copyAll() {
  if (!fields_.isEmpty()) QGuiApplication::clipboard()->setText(detailsText(fields_));
}

void DetailsWindow::openContainingFolder() {
  if (!path_.isEmpty()) ::openContainingFolder(services_, path_);
}

void openContainingFolder(AppServices& services, const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
  if (services.desktop.openUrl(QString::fromLatin1(fileUri(folder)))) return;
  services.prompts.messageBox(
      QStringLiteral("The folder %1 could not be opened: no file manager or browser is set up to show it.").arg(folder),
      appTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
}
