// The property search as the user makes it: the dialog's settings, the expression the catalogue
// is asked for, the strip that says a search is set, and its clearing.
#include "app/property_search.h"
#include "support/app_harness.h"
#include "controls/flex_grid.h"
#include "controls/push_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Harness = BasicAppHarness<FakeFileSystem>;
using D = PropertySearchDialog;

PropertySearchDialog* openDialog(Form1& form) {
  form.searchByProperties();
  auto* dialog = form.findChild<PropertySearchDialog*>();
  EXPECT_TRUE(dialog && dialog->isVisible());
  return dialog;
}

TEST(PropertySearch, TheDialogsSettingsMakeTheQuerysTerms) {
  const struct {
    std::function<void(D&)> set;
    const char* expression;
    const char* summary;
  } rows[] = {
      {[](D& d) { d.mono->setChecked(true); d.language->setCurrentIndex(d.language->findData("el")); },
       "mono,lang=el", "monospaced, covers el"},
      {[](D& d) { d.variable->setChecked(true); d.italic->setChecked(true); d.bold->setChecked(true); d.outline->setCurrentText("CFF"); },
       "variable,italic,bold,cff", "variable, italic, bold, CFF outlines"},
      {[](D& d) { d.outline->setCurrentText("TrueType"); d.weightFrom->setValue(300); d.weightTo->setValue(700); d.widthFrom->setValue(5); },
       "!cff,weight>=300,weight<=700,width>=5", "TrueType outlines, weight 300 to 700, width at least 5"},
      {[](D& d) { d.weightTo->setValue(400); d.feature->setCurrentText("smcp"); d.embedding->setCurrentText("Installable"); },
       "weight<=400,feature=smcp,embedding=installable", "weight at most 400, has feature smcp, embedding installable"},
      {[](D& d) { d.language->setEditText(" zh-cn "); d.feature->setEditText("ss07"); d.embedding->setCurrentText("Print and preview"); },
       "lang=zh-cn,feature=ss07,embedding=print", "covers zh-cn, has feature ss07, embedding print"},
      {[](D& d) { d.designer->setText(" Adobe "); d.manufacturer->setText("Monotype"); d.license->setText("OFL"); },
       "designer~Adobe,manufacturer~Monotype,license~OFL",
       "designer holds \u201cAdobe\u201d, manufacturer holds \u201cMonotype\u201d, licence holds \u201cOFL\u201d"},
  };
  Harness app;
  Form1& form = *app.form;
  EXPECT_EQ(form.lblPropertySearch, nullptr);  // no search, no strip: the window as designed
  for (const auto& row : rows) {
    PropertySearchDialog* dialog = openDialog(form);
    dialog->setConditions({});
    row.set(*dialog);
    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form.propertySearch(), row.expression);
    EXPECT_EQ(form.lblPropertySearch->toolTip(), QString("Showing only fonts that match: ") + row.summary);
  }
  EXPECT_TRUE(app.prompts.boxes.empty() || app.prompts.boxes.back().title != "Search by Properties");
}

TEST(PropertySearch, TheStripShowsWhileASearchIsSetAndClearSearchEndsIt) {
  Harness app;
  Form1& form = *app.form;
  form.show();
  const QRect designed = form.MSFlexGrid1->geometry();
  PropertySearchDialog* dialog = openDialog(form);
  dialog->mono->setChecked(true);
  dialog->accept();
  EXPECT_TRUE(form.lblPropertySearch->isVisible());
  EXPECT_EQ(form.lblPropertySearch->text(), "Showing only fonts that match: monospaced");
  EXPECT_TRUE(form.clearSearchButton->isVisible());
  // The strip is taken from the grid's foot and clears the buttons below it.
  EXPECT_EQ(form.MSFlexGrid1->geometry().top(), designed.top());
  EXPECT_LE(form.MSFlexGrid1->geometry().bottom(), form.lblPropertySearch->geometry().top());
  EXPECT_LT(form.clearSearchButton->geometry().bottom(), form.PushButton3->geometry().top());

  form.clearSearchButton->click();
  EXPECT_EQ(form.propertySearch(), "");
  EXPECT_FALSE(form.lblPropertySearch->isVisible());
  EXPECT_FALSE(form.clearSearchButton->isVisible());
  EXPECT_EQ(form.MSFlexGrid1->geometry(), designed);
  // The dialog offers the last search again.
  EXPECT_TRUE(openDialog(form)->mono->isChecked());
}

// A text holding a comma would split into two terms; a range upside down or a feature tag too
// long finds nothing: the dialog says why and stays open.
TEST(PropertySearch, ATextWithACommaAndOtherMistakesAreRefusedInTheDialog) {
  Harness app;
  Form1& form = *app.form;
  PropertySearchDialog* dialog = openDialog(form);
  dialog->designer->setText("Smith, John");
  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(form.propertySearch(), "");
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].title, "Search by Properties");
  EXPECT_TRUE(app.prompts.boxes[0].text.contains("\u201cSmith, John\u201d holds a comma"));
  dialog->weightFrom->setValue(700);
  dialog->weightTo->setValue(300);
  dialog->designer->setText("Smith");
  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(app.prompts.boxes.back().text, "The lowest weight class is above the highest.");
  dialog->weightTo->setValue(0);  // any
  dialog->feature->setEditText("smallcaps");
  dialog->accept();
  EXPECT_TRUE(app.prompts.boxes.back().text.startsWith("An OpenType feature is named by a tag of one to four"));
  dialog->feature->setCurrentIndex(0);  // any
  dialog->accept();
  EXPECT_EQ(form.propertySearch(), "weight>=700,designer~Smith");
}

}  // namespace

// The list offers the languages the catalogue's faces cover once their details are known, each
// by name with its tag; a choice made stays chosen when the list is offered anew.
TEST(PropertySearch, TheLanguagesOfferedAreThoseTheCatalogueCovers) {
  FakePrompts prompts;
  PropertySearchDialog dialog(prompts, nullptr);
  EXPECT_GT(dialog.language->count(), 100);  // nothing known yet: every language Qt names
  dialog.language->setCurrentIndex(dialog.language->findData("el"));
  dialog.offerLanguages({"el", "xx-yy", "zh-tw"});
  QStringList offered;
  for (int i = 0; i < dialog.language->count(); ++i) offered << dialog.language->itemText(i);
  EXPECT_EQ(offered, QStringList({"Any", "Chinese (zh-tw)", "Greek (el)", "xx-yy"}));
  EXPECT_EQ(dialog.conditions().language, "el");
}
