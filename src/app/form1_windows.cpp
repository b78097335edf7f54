// The main window's details window and property search.
#include "app/details_window.h"
#include "app/form1.h"

#include "catalogue/catalogue_details.h"
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "controls/twips.h"

#include <QLabel>

namespace {
constexpr auto px = twipsToPixels;  // designed sizes are in twips
constexpr int kGridHeight = 5895;   // as designed
constexpr int kStripHeight = 450;   // taken from the grid while a search is set
}  // namespace

void Form1::showDetails() { DetailsWindow::openFor(this, services_, *MSFlexGrid1, List1); }

void Form1::searchByProperties() {
  auto* dialog = findChild<PropertySearchDialog*>(QString(), Qt::FindDirectChildrenOnly);
  if (!dialog) {
    dialog = new PropertySearchDialog(services_.prompts, this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
      searched_ = dialog->conditions();
      setPropertyConditions(searched_);
    });
  }
  dialog->offerLanguages(knownLanguages(services_));
  dialog->setConditions(searched_);
  dialog->open();
}

void Form1::setPropertyConditions(const PropertyConditions& conditions) {
  conditions_ = conditions;
  propertySearch_ = searchExpression(conditions);
  showSearchStrip();
  PushButton1_Click();  // the catalogue of the faces that hold them, with the Filter text
}

void Form1::clearPropertySearch() { setPropertyConditions(PropertyConditions()); }

void Form1::buildSearchStrip() {
  const int top = 480 + kGridHeight - kStripHeight + 60;
  lblPropertySearch = new QLabel(this);
  // Colours that read on each other whatever the theme, as the count label's.
  lblPropertySearch->setBackgroundRole(QPalette::Base);
  lblPropertySearch->setForegroundRole(QPalette::Text);
  lblPropertySearch->setAutoFillBackground(true);
  lblPropertySearch->setIndent(4);
  lblPropertySearch->setGeometry(px(120), px(top), px(9960 - 1860), px(kStripHeight - 90));
  lblPropertySearch->setMouseTracking(true);
  lblPropertySearch->installEventFilter(this);  // the plain pointer, as over the other label
  clearSearchButton = new PushButton(QStringLiteral("Clear Search"), this);
  clearSearchButton->setGeometry(px(10080 - 1740), px(top), px(1740), px(kStripHeight - 90));
  clearSearchButton->setFont(arialBold(services_.fonts, 9));
  connect(clearSearchButton, &PushButton::MouseMove, this, &Form1::pointerRuleButton);
  connect(clearSearchButton, &QPushButton::clicked, this, &Form1::clearPropertySearch);
}

void Form1::showSearchStrip() {
  const bool on = !propertySearch_.isEmpty();
  if (!lblPropertySearch) {
    if (!on) return;
    buildSearchStrip();
  }
  MSFlexGrid1->setGeometry(px(120), px(480), px(9960), px(on ? kGridHeight - kStripHeight : kGridHeight));
  const QString text = QStringLiteral("Showing only fonts that match: ") + searchSummary(conditions_);
  lblPropertySearch->setText(
      lblPropertySearch->fontMetrics().elidedText(text, Qt::ElideRight, lblPropertySearch->width() - 8));
  lblPropertySearch->setToolTip(on ? text : QString());
  lblPropertySearch->setAccessibleName(on ? text : QString());
  lblPropertySearch->setVisible(on);
  clearSearchButton->setVisible(on);
  clearSearchButton->setCursor(cursor());  // the window's pointer, as its other controls have
}
