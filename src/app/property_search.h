#pragma once
// The property search: conditions on what a face is, set in a dialog without any syntax, turned
// into the expression the catalogue's query takes ("mono,lang=el").
#include <QDialog>
#include <QString>

class Prompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

struct PropertyConditions {
  enum class Outline { Any, TrueType, CFF };
  bool mono = false, variable = false, italic = false, bold = false;
  Outline outline = Outline::Any;
  int weightFrom = 0, weightTo = 0, widthFrom = 0, widthTo = 0;  // 0: any
  QString language, feature, embedding;                         // "": any
  QString designer, manufacturer, license;                      // text the name holds; "": any
  bool operator==(const PropertyConditions&) const = default;
};

// The query's terms, comma-separated; "" for no condition.
QString searchExpression(const PropertyConditions& c);
// The same for people: "monospaced, covers el".
QString searchSummary(const PropertyConditions& c);

class PropertySearchDialog : public QDialog {
  Q_OBJECT
 public:
  PropertySearchDialog(Prompts& prompts, QWidget* parent);
  void setConditions(const PropertyConditions& c);
  // The languages the list offers: these fontconfig tags (those the catalogue's faces cover), or
  // with none every language Qt knows.
  void offerLanguages(const QList<QByteArray>& tags);
  PropertyConditions conditions() const;
  // Accepts conditions the query takes; otherwise says what is wrong and stays open.
  void accept() override;

  QCheckBox *mono, *variable, *italic, *bold;
  QComboBox *outline, *language, *feature, *embedding;
  QSpinBox *weightFrom, *weightTo, *widthFrom, *widthTo;
  QLineEdit *designer, *manufacturer, *license;

 private:
  QString problem() const;

  Prompts& prompts_;
};
