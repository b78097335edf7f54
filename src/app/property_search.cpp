#include "app/property_search.h"

#include "catalogue/face_query.h"
#include "core/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {

const QString kTitle = QStringLiteral("Search by Properties");
const QString kAny = QStringLiteral("Any");

// Each condition set: its terms for the query and its words for people.
struct Condition {
  QString terms, words;
};

void addRange(QList<Condition>& out, const QString& name, int from, int to) {
  const QString atLeast = QStringLiteral("%1>=%2").arg(name).arg(from), atMost = QStringLiteral("%1<=%2").arg(name).arg(to);
  if (from > 0 && to > 0) out.append({atLeast + QLatin1Char(',') + atMost, QStringLiteral("%1 %2 to %3").arg(name).arg(from).arg(to)});
  else if (from > 0) out.append({atLeast, QStringLiteral("%1 at least %2").arg(name).arg(from)});
  else if (to > 0) out.append({atMost, QStringLiteral("%1 at most %2").arg(name).arg(to)});
}

QList<Condition> conditionsOf(const PropertyConditions& c) {
  using Outline = PropertyConditions::Outline;
  QList<Condition> out;
  const auto add = [&](bool on, const QString& terms, const QString& words) {
    if (on) out.append({terms, words});
  };
  add(c.mono, QStringLiteral("mono"), QStringLiteral("monospaced"));
  add(c.variable, QStringLiteral("variable"), QStringLiteral("variable"));
  add(c.italic, QStringLiteral("italic"), QStringLiteral("italic"));
  add(c.bold, QStringLiteral("bold"), QStringLiteral("bold"));
  add(c.outline == Outline::CFF, QStringLiteral("cff"), QStringLiteral("CFF outlines"));
  add(c.outline == Outline::TrueType, QStringLiteral("!cff"), QStringLiteral("TrueType outlines"));
  addRange(out, QStringLiteral("weight"), c.weightFrom, c.weightTo);
  addRange(out, QStringLiteral("width"), c.widthFrom, c.widthTo);
  add(!c.language.isEmpty(), QStringLiteral("lang=") + c.language, QStringLiteral("covers ") + c.language);
  add(!c.feature.isEmpty(), QStringLiteral("feature=") + c.feature, QStringLiteral("has feature ") + c.feature);
  add(!c.embedding.isEmpty(), QStringLiteral("embedding=") + c.embedding, QStringLiteral("embedding ") + c.embedding);
  const std::tuple<QString, const char*, const char*> texts[] = {{c.designer, "designer", "designer"},
                                                                 {c.manufacturer, "manufacturer", "manufacturer"},
                                                                 {c.license, "license", "licence"}};
  for (const auto& [text, key, name] : texts)
    add(!text.isEmpty(), QLatin1String(key) + QLatin1Char('~') + text,
        QStringLiteral("%1 holds \u201c%2\u201d").arg(QLatin1String(name), text));
  return out;
}

// The languages people may look for, by name, each with its tag ("Greek (el)", "Chinese
// (zh-tw)"): the fontconfig tags given, or with none Qt's list of languages, whose codes are the
// ISO 639 codes fontconfig's tags start with.
void addLanguages(QComboBox& box, const QList<QByteArray>& tags) {
  QMap<QString, QString> byName;
  const auto add = [&](const QString& code) {
    const QLocale::Language language = QLocale::codeToLanguage(code.section(QLatin1Char('-'), 0, 0));
    const QString name = language == QLocale::AnyLanguage ? QString() : QLocale::languageToString(language);
    byName.insert(name.isEmpty() ? code : name + QStringLiteral(" (%1)").arg(code), code);
  };
  for (const QByteArray& tag : tags) add(QString::fromLatin1(tag));
  for (int l = QLocale::Abkhazian; tags.isEmpty() && l <= QLocale::LastLanguage; ++l) {
    const QString code = QLocale::languageToCode(static_cast<QLocale::Language>(l));
    if (!code.isEmpty()) add(code);
  }
  for (auto it = byName.cbegin(); it != byName.cend(); ++it) box.addItem(it.key(), it.value());
}

// What an editable list holds: its item's value when one is chosen, else the text typed.
QString chosen(const QComboBox& box) {
  const QString text = box.currentText().trimmed();
  if (text.isEmpty() || text == kAny) return {};
  const int index = box.findText(text);
  return index >= 0 ? box.itemData(index).toString() : text;
}

void choose(QComboBox& box, const QString& value) {
  const int index = box.findData(value);
  if (index >= 0) box.setCurrentIndex(index);
  else box.setEditText(value);
}

QComboBox* listOf(QWidget* parent, const QStringList& texts, const QStringList& values, bool editable) {
  auto* box = new QComboBox(parent);
  box->setEditable(editable);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (qsizetype i = 0; i < texts.size(); ++i) box->addItem(texts[i], values[i]);
  return box;
}

QSpinBox* classBox(QWidget* parent, int most, const QString& name) {
  auto* box = new QSpinBox(parent);
  box->setRange(0, most);
  box->setSpecialValueText(kAny);  // 0
  box->setAccessibleName(name);
  return box;
}

}  // namespace

QString searchExpression(const PropertyConditions& c) {
  QStringList terms;
  for (const Condition& condition : conditionsOf(c)) terms << condition.terms;
  return terms.join(QLatin1Char(','));
}

QString searchSummary(const PropertyConditions& c) {
  QStringList words;
  for (const Condition& condition : conditionsOf(c)) words << condition.words;
  return words.join(QStringLiteral(", "));
}

PropertySearchDialog::PropertySearchDialog(Prompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
  setWindowTitle(kTitle);
  mono = new QCheckBox(QStringLiteral("Monospaced"), this);
  variable = new QCheckBox(QStringLiteral("Variable"), this);
  italic = new QCheckBox(QStringLiteral("Italic"), this);
  bold = new QCheckBox(QStringLiteral("Bold"), this);
  outline = listOf(this, {kAny, QStringLiteral("TrueType"), QStringLiteral("CFF")}, {{}, {}, {}}, false);
  weightFrom = classBox(this, 1000, QStringLiteral("Lowest weight class"));
  weightTo = classBox(this, 1000, QStringLiteral("Highest weight class"));
  widthFrom = classBox(this, 9, QStringLiteral("Lowest width class"));
  widthTo = classBox(this, 9, QStringLiteral("Highest width class"));
  language = listOf(this, {kAny}, {QString()}, true);
  addLanguages(*language, {});
  const QStringList features = {QStringLiteral("liga"), QStringLiteral("kern"), QStringLiteral("smcp"),
                                QStringLiteral("c2sc"), QStringLiteral("onum"), QStringLiteral("lnum"),
                                QStringLiteral("tnum"), QStringLiteral("pnum"), QStringLiteral("frac"),
                                QStringLiteral("zero"), QStringLiteral("calt"), QStringLiteral("dlig"),
                                QStringLiteral("swsh"), QStringLiteral("salt"), QStringLiteral("ss01"),
                                QStringLiteral("ss02"), QStringLiteral("ss03")};
  feature = listOf(this, QStringList{kAny} + features, QStringList{QString()} + features, true);
  embedding = listOf(this,
                     {kAny, QStringLiteral("Installable"), QStringLiteral("Editable"),
                      QStringLiteral("Print and preview"), QStringLiteral("Restricted")},
                     {{}, QStringLiteral("installable"), QStringLiteral("editable"), QStringLiteral("print"),
                      QStringLiteral("restricted")},
                     false);
  designer = new QLineEdit(this);
  manufacturer = new QLineEdit(this);
  license = new QLineEdit(this);

  auto* style = new QHBoxLayout;
  for (QCheckBox* box : {mono, variable, italic, bold}) style->addWidget(box);
  style->addStretch();
  auto* form = new QFormLayout;
  const auto rangeRow = [this, form](const QString& label, QSpinBox* from, QSpinBox* to) {
    auto* name = new QLabel(label, this);
    name->setBuddy(from);
    auto* row = new QHBoxLayout;
    row->addWidget(from);
    row->addWidget(new QLabel(QStringLiteral("to"), this));
    row->addWidget(to);
    row->addStretch();
    form->addRow(name, row);
  };
  form->addRow(QStringLiteral("Style:"), style);
  form->addRow(QStringLiteral("&Outline format:"), outline);
  rangeRow(QStringLiteral("&Weight class (1\u20131000):"), weightFrom, weightTo);
  rangeRow(QStringLiteral("W&idth class (1\u20139):"), widthFrom, widthTo);
  form->addRow(QStringLiteral("&Language covered:"), language);
  form->addRow(QStringLiteral("Open&Type feature:"), feature);
  form->addRow(QStringLiteral("&Embedding allowed:"), embedding);
  form->addRow(QStringLiteral("&Designer holds:"), designer);
  form->addRow(QStringLiteral("&Manufacturer holds:"), manufacturer);
  form->addRow(QStringLiteral("Li&cence holds:"), license);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Reset, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Search"));
  buttons->button(QDialogButtonBox::Reset)->setText(QStringLiteral("Clear All"));
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySearchDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this,
          [this] { setConditions(PropertyConditions()); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void PropertySearchDialog::setConditions(const PropertyConditions& c) {
  mono->setChecked(c.mono);
  variable->setChecked(c.variable);
  italic->setChecked(c.italic);
  bold->setChecked(c.bold);
  outline->setCurrentIndex(static_cast<int>(c.outline));
  weightFrom->setValue(c.weightFrom);
  weightTo->setValue(c.weightTo);
  widthFrom->setValue(c.widthFrom);
  widthTo->setValue(c.widthTo);
  choose(*language, c.language);
  choose(*feature, c.feature);
  choose(*embedding, c.embedding);
  designer->setText(c.designer);
  manufacturer->setText(c.manufacturer);
  license->setText(c.license);
}

void PropertySearchDialog::offerLanguages(const QList<QByteArray>& tags) {
  const QString current = chosen(*language);
  while (language->count() > 1) language->removeItem(1);  // all but "Any"
  addLanguages(*language, tags);
  choose(*language, current);
}

PropertyConditions PropertySearchDialog::conditions() const {
  PropertyConditions c;
  c.mono = mono->isChecked();
  c.variable = variable->isChecked();
  c.italic = italic->isChecked();
  c.bold = bold->isChecked();
  c.outline = static_cast<PropertyConditions::Outline>(outline->currentIndex());
  c.weightFrom = weightFrom->value();
  c.weightTo = weightTo->value();
  c.widthFrom = widthFrom->value();
  c.widthTo = widthTo->value();
  c.language = chosen(*language);
  c.feature = chosen(*feature);
  c.embedding = embedding->currentData().toString();
  c.designer = designer->text().trimmed();
  c.manufacturer = manufacturer->text().trimmed();
  c.license = license->text().trimmed();
  return c;
}

QString PropertySearchDialog::problem() const {
  const PropertyConditions c = conditions();
  // The query's terms are separated by commas: a text cannot hold one.
  const std::pair<QString, const char*> texts[] = {{c.language, "language"}, {c.feature, "feature"},
                                                   {c.designer, "designer"}, {c.manufacturer, "manufacturer"},
                                                   {c.license, "licence"}};
  for (const auto& [text, name] : texts)
    if (text.contains(QLatin1Char(',')))
      return QStringLiteral("The %1 text \u201c%2\u201d holds a comma, which a search cannot take. Search for a "
                            "part of it without the comma.")
          .arg(QLatin1String(name), text);
  if (c.weightFrom > 0 && c.weightTo > 0 && c.weightFrom > c.weightTo)
    return QStringLiteral("The lowest weight class is above the highest.");
  if (c.widthFrom > 0 && c.widthTo > 0 && c.widthFrom > c.widthTo)
    return QStringLiteral("The lowest width class is above the highest.");
  static const QRegularExpression tag(QStringLiteral("^[A-Za-z0-9]{1,4}$"));
  if (!c.feature.isEmpty() && !tag.match(c.feature).hasMatch())
    return QStringLiteral("An OpenType feature is named by a tag of one to four letters or digits, such as smcp "
                          "or ss01.");
  QString error;
  if (!FaceQuery::parse(searchExpression(c), &error))
    return QStringLiteral("These conditions cannot be searched for (%1).").arg(error);
  return {};
}

void PropertySearchDialog::accept() {
  if (const QString text = problem(); !text.isEmpty()) {
    prompts_.messageBox(text, kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  QDialog::accept();
}
