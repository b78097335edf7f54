#include "app/form2.h"

#include "core/error_trap.h"
#include "app/comparison_window.h"
#include "app/details_window.h"
#include "app/form1.h"
#include "app/grid_menu.h"
#include "app/main_module.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "controls/grid_mouse_wheel.h"
#include "fontfile/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/twips.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QScreen>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindowStateChangeEvent>

Form2::Form2(Form1& owner)
    : QWidget(nullptr, Qt::Window),
      owner_(owner),
      previewPins_(std::make_unique<PreviewPins>(owner.services().fonts)) {
  setMouseTracking(true);
  const QFont font = arialBold(owner.services().fonts, 9);
  setFont(font);

  // Same design as the main grid; it sits in the top-left corner and Form_Resize sizes it.
  MSFlexGrid1 = new FlexGrid(this, font);
  MSFlexGrid1->move(0, 0);
  MSFlexGrid1->setBackColor(0x80000005);  // the window colour, where the main grid has the 3-D highlight
  FontSystem& fonts = owner.services().fonts;
  MSFlexGrid1->setFaceResolver([&fonts](const QString& name) { return fonts.resolveFace(name); });
  nameCatalogueGrid(*MSFlexGrid1);

  new GridMenu(*MSFlexGrid1, [this](int row) { return rowMenu(row); });
  connect(MSFlexGrid1, &FlexGrid::Click, this, &Form2::MSFlexGrid1_Click);
  connect(MSFlexGrid1, &FlexGrid::GotFocus, this, &Form2::MSFlexGrid1_GotFocus);
  connect(MSFlexGrid1, &FlexGrid::LostFocus, this, &Form2::MSFlexGrid1_LostFocus);
  connect(MSFlexGrid1, &FlexGrid::MouseMove, this, &Form2::pointerRulePlain);
}

Form2::~Form2() {
  // The grid outlives this object's own part: the focus it loses as it goes must not call in here.
  for (QObject* child : children()) child->disconnect(this);
}

void Form2::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  // The window opens maximised. Its normal size is the screen's working area too, so it fills
  // the screen even where no window manager carries out the maximise.
  if (const QScreen* s = owner_.screen()) setGeometry(s->availableGeometry());
  setWindowState(Qt::WindowMaximized);
  Form_Load();
}

void Form2::takeCatalogue(ListBox entries, std::unique_ptr<PreviewPins> pins) {
  List1 = std::move(entries);
  if (pins) previewPins_ = std::move(pins);
}

void Form2::Form_Load() {
  ErrorTrap trap(owner_.services().prompts, QStringLiteral("Form2.Form_Load"));
  trap(100, [&] { ApplyFormColors(this); });
  trap(102, [&] { setWindowTitle(QStringLiteral("Typorama")); });
  trap(104, [&] { setWindowIcon(applicationIcon()); });
  trap(106, [&] { mouseIcon_ = owner_.loadMouseIcon(); });
  trap(108, [&] {
    MSFlexGrid1->setFocusRect(0);
    MSFlexGrid1->setSelectionMode(1);
  });
}

void Form2::Form_Resize() {
  // The grid fills the client area with no margin.
  MSFlexGrid1->setWidth(pixelsToTwips(width()));
  MSFlexGrid1->setHeight(pixelsToTwips(height()));
}

void Form2::Form_QueryUnload() {
  ErrorTrap trap(owner_.services().prompts, QStringLiteral("Form2.Form_QueryUnload"));
  trap(100, [&] { UnhookGridWheel(); });
  trap(102, [&] { owner_.services().yielder.yield(); });
  trap(104, [&] { owner_.services().yielder.yield(); });
}

void Form2::Form_Unload() {
  // The main window comes back, unless it is the one closing and taking this window down
  // with it (it lets go of this window first).
  if (owner_.hasForm2() && owner_.form2() == this) {
    owner_.show();
    owner_.activateWindow();  // and with it the focus, where it was
  }
  if (auto* details = findChild<DetailsWindow*>(QString(), Qt::FindDirectChildrenOnly)) details->close();
  // A closed window keeps nothing: the next use fills it afresh.
  previewPins_->releaseAll();
  List1.Clear();
  MSFlexGrid1->setRows(0);
  loaded_ = false;
}

void Form2::MSFlexGrid1_Click() { GridClicked(this, MSFlexGrid1); }

void Form2::MSFlexGrid1_GotFocus() { GridGotFocus(this, MSFlexGrid1); }

void Form2::MSFlexGrid1_LostFocus() { UnhookGridWheel(); }

void Form2::showDetails() { DetailsWindow::openFor(this, owner_.services(), *MSFlexGrid1, List1); }

QMenu* Form2::rowMenu(int row) {
  QMenu* menu = GridMenu::newMenu(*MSFlexGrid1);
  if (row < 0 || row >= MSFlexGrid1->Rows() || row >= List1.ListCount()) return menu;
  MSFlexGrid1->setRow(row);
  MSFlexGrid1_Click();  // as a click on the row: the whole row is selected
  GridMenu::add(*menu, this, QStringLiteral("Font Details\u2026"), [this] { showDetails(); })->setShortcut(kDetailsKey);
  addComparisonItems(*menu, this, &owner_, owner_.services(), *MSFlexGrid1, List1);  // shared with the main grid
  menu->addSeparator();
  addSampleItems(*menu, owner_);
  return menu;
}

void Form2::setMousePointer(int value) {
  mousePointer_ = value;
  QCursor shape(Qt::ArrowCursor);
  if (value == pointer::Hourglass) shape = QCursor(Qt::WaitCursor);
  if (value == pointer::Custom) shape = mouseIcon_ ? *mouseIcon_ : QCursor(Qt::PointingHandCursor);
  setCursor(shape);
  MSFlexGrid1->setCursor(shape);
  MSFlexGrid1->viewport()->setCursor(shape);
}

void Form2::pointerRulePlain() {
  if (mousePointer_ != pointer::Hourglass && mousePointer_ != pointer::Default) setMousePointer(pointer::Default);
}

void Form2::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  // Restored from maximised: its normal size is the whole working area, which its frame would
  // push past the screen's edges. The frame goes inside once the window manager has placed the
  // window and told its new frame, which may take a moment: looked at again until then.
  if ((change->oldState() & Qt::WindowMaximized) && windowState() == Qt::WindowNoState)
    for (const int ms : {0, 200, 1000}) QTimer::singleShot(ms, this, [this] { fitFrameOnScreen(); });
}

void Form2::fitFrameOnScreen() {
  const QScreen* s = screen();
  if (!s || windowState() != Qt::WindowNoState) return;
  const QRect area = s->availableGeometry(), inner = geometry(), outer = frameGeometry();
  if (area.contains(outer)) return;  // where the user or the window manager put it
  const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                       outer.bottom() - inner.bottom());
  setGeometry(area.marginsRemoved(frame));
}

void Form2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void Form2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  // The grid is the window's only control: it takes the focus, and with it the wheel hook, as
  // the window shows, also where no window manager activates the window.
  MSFlexGrid1->setFocus(Qt::ActiveWindowFocusReason);
  activateWindow();
}

void Form2::closeEvent(QCloseEvent* event) {
  Form_QueryUnload();  // never refuses the close
  Form_Unload();
  event->accept();
}

void Form2::keyPressEvent(QKeyEvent* event) {
  // Escape closes the list as the window manager's close does; so does a keyboard alone.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  if (QKeySequence(event->keyCombination()) == kDetailsKey) {
    showDetails();
    return;
  }
  if (QKeySequence(event->keyCombination()) == kCompareKey) {
    ComparisonWindow::addSelectedRow(&owner_, owner_.services(), *MSFlexGrid1, List1);
    return;
  }
  if (QKeySequence(event->keyCombination()) == kSampleKey) {
    owner_.askSample();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Form2::mouseMoveEvent(QMouseEvent* event) {
  pointerRulePlain();
  QWidget::mouseMoveEvent(event);
}
