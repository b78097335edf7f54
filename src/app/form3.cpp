#include "app/form3.h"

#include "app/form1.h"
#include "app/main_module.h"
#include "core/error_trap.h"
#include "core/services.h"
#include "controls/twips.h"

#include <QLabel>
#include <QScreen>

namespace {
constexpr auto px = twipsToPixels;  // designed sizes are in twips
}

Form3::Form3(Form1& owner) : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
                             owner_(owner) {
  setFixedSize(px(7890), px(405));
  setFont(arialBold(owner.services().fonts, 9));
  Label1 = new QLabel(this);
  Label1->setGeometry(px(0), px(60), px(8130), px(405));
  Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label1->setFont(arialBold(owner.services().fonts, 11.25));
  setMouseTracking(true);
  if (const QScreen* screen = owner.screen())
    move(screen->availableGeometry().center() - rect().center());
}

void Form3::Form_Load() {
  ErrorTrap trap(owner_.services().prompts, QStringLiteral("Form3.Form_Load"));
  trap(100, [&] { ApplyFormColors(this); });
  trap(102, [&] {
    setWindowTitle(QStringLiteral("Typorama"));
    setWindowIcon(applicationIcon());
  });
  trap(104, [&] { mouseIcon_ = owner_.loadMouseIcon(); });
}

void Form3::showPainted(Yielder& yielder) {
  show();
  yielder.yield();  // the window system maps the window
  repaint();
}

void Form3::mouseMoveEvent(QMouseEvent* event) {
  // The please-wait window follows the plain pointer rule on its own pointer.
  if (cursor().shape() != Qt::WaitCursor) unsetCursor();
  QWidget::mouseMoveEvent(event);
}
