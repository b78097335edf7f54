#include "app/form1.h"

#include "app/form1_shortcuts.h"
#include "app/form3.h"
#include "app/main_module.h"
#include "app/user_settings.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "catalogue/sample_choices.h"
#include "core/error_trap.h"
#include "core/runtime_error.h"
#include "app/form2.h"
#include "controls/grid_mouse_wheel.h"
#include "fontfile/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "controls/twips.h"
#include "platform/font_system.h"
#include "platform/path_codec.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QShowEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {
constexpr auto px = twipsToPixels;  // designed sizes are in twips
}  // namespace

QFont arialBold(FontSystem& fonts, double points) {
  QFont font(fonts.drawnFamily(QStringLiteral("Arial")));
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

QString makeApplicationTitle(const QString& productName) {
  QString title = productName;
  do {
    const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) break;  // nothing left to cut: keep the whole name
    title = title.left(blank);
  } while (title.size() > 40);
  return title;
}

QIcon applicationIcon() {
  // The installed icon theme's picture when there is one, else the same pictures built in.
  static const QIcon icon = [] {
    Q_INIT_RESOURCE(typorama);
    QIcon builtIn;
    for (const char* size : {"48", "128", "256"})
      builtIn.addFile(QStringLiteral(":/icons/%1.png").arg(QLatin1String(size)));
    return QIcon::fromTheme(QStringLiteral("org.typorama.Typorama"), builtIn);
  }();
  return icon;
}

Form1::Form1(AppServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      CommonDialog1(services.prompts),
      services_(services),
      fontFormats_(savedFontFormats()),
      sample_(savedSample()) {
  buildControls();
  showSample(*MSFlexGrid1, 1);
  // A font added or removed here may be the window's own family: the window follows, as a font
  // asked for by that family would. Queued, so the font system has taken note of the change.
  connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, this, &Form1::followDrawnFamily, Qt::QueuedConnection);
  new Form1Conveniences(*this);  // keyboard, context menu, drag and drop; owned by the window
}

Form1::~Form1() {
  // The controls outlive this object's own part: nothing they do as they go (the grid losing the
  // focus, events through the conveniences' filter) may call in here.
  delete findChild<Form1Conveniences*>(QString(), Qt::FindDirectChildrenOnly);
  for (QObject* child : children()) child->disconnect(this);
  UnhookGridWheel();
  delete form2_;
}

void Form1::buildControls() {
  setFixedSize(px(10200), px(9045));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFont(arialBold(services_.fonts, 9));
  setMouseTracking(true);

  MSFlexGrid1 = new FlexGrid(this, arialBold(services_.fonts, 9));
  MSFlexGrid1->setGeometry(px(120), px(480), px(9960), px(5895));
  MSFlexGrid1->setFaceResolver([this](const QString& name) { return services_.fonts.resolveFace(name); });
  nameCatalogueGrid(*MSFlexGrid1);

  const auto button = [this](const QString& caption, int left, int top, int width) {
    auto* b = new PushButton(caption, this);
    b->setGeometry(px(left), px(top), px(width), px(405));
    b->setFont(arialBold(services_.fonts, 11.25));
    connect(b, &PushButton::MouseMove, this, &Form1::pointerRuleButton);
    return b;
  };
  PushButton3 = button(QStringLiteral("Add Font"), 120, 6500, 4920);
  PushButton4 = button(QStringLiteral("Remove Selected Font"), 5160, 6500, 4920);
  PushButton2 = button(QStringLiteral("Maximize This Window"), 120, 7520, 4920);
  PushButton5 = button(QStringLiteral("Help"), 5160, 7520, 4920);
  PushButton1 = button(QStringLiteral("Filter"), 8160, 8025, 1920);
  Text1 = new QLineEdit(this);
  Text1->setGeometry(px(120), px(8030), px(7920), px(400));
  Text1->setMouseTracking(true);
  Text1->setAccessibleName(QStringLiteral("Filter text"));
  ProgressBar1 = new ProgressBar(this);
  ProgressBar1->setGeometry(px(120), px(8540), px(9960), px(405));
  lblFontsInstalled = new QLabel(QStringLiteral("Total Number Of Fonts Installed: 0"), this);
  lblFontsInstalled->setGeometry(px(120), px(120), px(9960), px(255));
  lblFontsInstalled->setAlignment(Qt::AlignCenter);
  lblFontsInstalled->setFrameStyle(QFrame::Box | QFrame::Plain);
  lblFontsInstalled->setBackgroundRole(QPalette::Base);
  lblFontsInstalled->setForegroundRole(QPalette::Text);
  lblFontsInstalled->setAutoFillBackground(true);
  lblFontsInstalled->setMouseTracking(true);
  PushButton8 = button(QStringLiteral("Export Fonts To Excel"), 5160, 7010, 4920);
  PushButton6 = button(QStringLiteral("Export Fonts To Word"), 120, 7010, 4920);
  // Lies below the client area on purpose: the fixed-size window does not show it.
  PushButton7 = button(QStringLiteral("Copy Selected Font To Clipboard (Copies file TTF to clipboard not text Orvandel)"),
                       120, 9240, 9960);

  QWidget* order[] = {MSFlexGrid1, PushButton3, PushButton4, PushButton2, PushButton5, PushButton1,
                      Text1, ProgressBar1, PushButton8, PushButton6, PushButton7};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  for (QWidget* w : {static_cast<QWidget*>(lblFontsInstalled), static_cast<QWidget*>(Text1),
                     static_cast<QWidget*>(MSFlexGrid1), MSFlexGrid1->viewport()})
    w->installEventFilter(this);

  connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
  connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
  connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
  connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
  connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
  connect(MSFlexGrid1, &FlexGrid::Click, this, &Form1::MSFlexGrid1_Click);
  connect(MSFlexGrid1, &FlexGrid::GotFocus, this, &Form1::MSFlexGrid1_GotFocus);
  connect(MSFlexGrid1, &FlexGrid::LostFocus, this, &Form1::MSFlexGrid1_LostFocus);
  connect(MSFlexGrid1, &FlexGrid::MouseMove, this, &Form1::pointerRulePlain);
}

void Form1::followDrawnFamily() {
  const QString family = services_.fonts.drawnFamily(QStringLiteral("Arial"));
  if (family == font().family()) return;
  for (QWidget* w : std::initializer_list<QWidget*>{this, MSFlexGrid1}) {
    QFont f = w->font();
    f.setFamily(family);
    w->setFont(f);
  }
  for (PushButton* b : findChildren<PushButton*>()) b->setFont(arialBold(services_.fonts, b->font().pointSizeF()));
}

PreviewPins& Form1::previewPins() {
  if (!previewPins_) previewPins_ = std::make_unique<PreviewPins>(services_.fonts);
  return *previewPins_;
}

PushButton& Form1::button(int number) {
  PushButton* const buttons[] = {PushButton1, PushButton2, PushButton3, PushButton4,
                                 PushButton5, PushButton6, PushButton7, PushButton8};
  return *buttons[number - 1];
}

QString Form1::filterText() { return Text1->text(); }

void Form1::setFontFormats(FontFormats formats) {
  if (formats == fontFormats_) return;
  fontFormats_ = formats;
  saveFontFormats(formats);
  PushButton1_Click();
}

void Form1::setCountText(const QString& text) { lblFontsInstalled->setText(text); }

void Form1::showPleaseWait(const QString& text) {
  form3_ = std::make_unique<Form3>(*this);
  form3_->Form_Load();
  form3_->Label1->setText(text);
  form3_->showPainted(services_.yielder);
  pleaseWaitDrawn_.start();
}

void Form1::setPleaseWaitText(const QString& text) {
  if (!form3_) return;
  form3_->Label1->setText(text);
  // The fill sets a text every sixth file, thousands a second, and drawing each one would cost
  // a good part of the fill: the window is drawn with the latest text 25 times a second.
  if (pleaseWaitDrawn_.elapsed() < pleaseWaitFrameMs) return;
  form3_->repaint();
  pleaseWaitDrawn_.start();
}

void Form1::closePleaseWait() { form3_.reset(); }

ListWindowView* Form1::openListWindow() {
  if (unloaded_) return nullptr;
  Form2* list = form2();
  list->ensureLoaded();
  return list;
}

Form2* Form1::form2() {
  if (!form2_) {
    form2_ = new Form2(*this);
    showSample(*form2_->MSFlexGrid1, 2);  // its samples are twice the main window's size
  }
  return form2_;
}

std::optional<QCursor> Form1::loadMouseIcon() {
  return LoadHandCursor(services_.fs, services_.desktop);
}

void Form1::Form_Load() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.Form_Load"));
  trap(100, [&] { ApplySkin(this, services_.fs, services_.desktop); });
  trap(102, [&] { setWindowTitle(QStringLiteral("Typorama")); });
  trap(104, [&] { setWindowIcon(applicationIcon()); });
  trap(106, [&] { setAppTitle(makeApplicationTitle(QStringLiteral("Typorama"))); });
  trap(108, [&] { mouseIcon_ = loadMouseIcon(); });
  trap(110, [&] { RandomHomePageVisit(services_.random, services_.desktop); });
  trap(112, [&] { StartupLoading = true; });
  trap(114, [&] { PushButton1_Click(); });
  trap(116, [&] { StartupLoading = false; });
  trap(118, [&] { setMousePointer(pointer::Default); });
  trap(120, [&] {
    ProgressBar1->setValue(0);
    ProgressBar1->setText(QStringLiteral("Progress Bar"));
  });
  trap(122, [&] {
    MSFlexGrid1->setFocusRect(0);
    MSFlexGrid1->setSelectionMode(1);
  });
  trap(124, [&] { setBackColor(lblFontsInstalled, Qt::white); });
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void Form1::Form_QueryUnload() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.Form_QueryUnload"));
  trap(100, [&] { services_.yielder.yield(); });
}

void Form1::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  UnhookGridWheel();
  services_.yielder.yield();
  services_.yielder.yield();
  unloadForm2();
  for (QDialog* dialog : findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly)) dialog->close();
  if (previewPins_) previewPins_->releaseAll();
}

void Form1::unloadForm2() {
  if (!form2_) return;
  Form2* form = form2_;
  form2_ = nullptr;
  form->close();
  form->deleteLater();
}

void Form1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownBefore_ || event->spontaneous()) return;
  shownBefore_ = true;
  // The grid holds the first tab position and takes the focus as the window first shows, so
  // the wheel hook is in place from the start. Without a window manager nobody activates the
  // window, and a window that is not active gives no widget the focus: ask for it.
  MSFlexGrid1->setFocus(Qt::ActiveWindowFocusReason);
  activateWindow();
}

void Form1::closeEvent(QCloseEvent* event) {
  Form_QueryUnload();  // never refuses the close
  Form_Unload();
  event->accept();
}

void Form1::MSFlexGrid1_Click() { GridClicked(this, MSFlexGrid1); }

void Form1::MSFlexGrid1_GotFocus() { GridGotFocus(this, MSFlexGrid1); }

void Form1::MSFlexGrid1_LostFocus() { UnhookGridWheel(); }

void Form1::setMousePointer(int value) {
  mousePointer_ = value;
  QCursor shape;
  switch (value) {
    case pointer::Hourglass: shape = QCursor(Qt::WaitCursor); break;
    case pointer::Custom: shape = mouseIcon_ ? *mouseIcon_ : QCursor(Qt::PointingHandCursor); break;
    default: shape = QCursor(Qt::ArrowCursor); break;
  }
  // The window's pointer holds over its controls too, as it does over the window itself.
  setCursor(shape);
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w->window() != this) continue;  // the details and search windows keep their own
    if (w == Text1 && value == pointer::Default) w->setCursor(Qt::IBeamCursor);
    else w->setCursor(shape);
  }
}

void Form1::pointerRulePlain() {
  if (mousePointer_ != pointer::Hourglass && mousePointer_ != pointer::Default) setMousePointer(pointer::Default);
}

void Form1::pointerRuleButton() {
  if (mousePointer_ != pointer::Hourglass && mousePointer_ != pointer::Custom) setMousePointer(pointer::Custom);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
  pointerRulePlain();
  QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) pointerRulePlain();
  return QWidget::eventFilter(watched, event);
}
