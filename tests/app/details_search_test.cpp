// The details window over either grid's selected row, the grids' context menus, and the property
// search: its dialog, the expression it makes and the strip that says a search is set.
#include "app/details_window.h"
#include "app/form2.h"
#include "app/face_sample.h"
#include "app/form1_shortcuts.h"
#include "app/property_search.h"
#include "support/font_folder_fixture.h"
#include "support/grid_menus.h"
#include "support/real_fonts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>

namespace {

class DetailsTest : public FontFolderTest {
 protected:
  void SetUp() override {
    FontFolderTest::SetUp();
    if (dejaVu("DejaVuSans.ttf").isEmpty()) GTEST_SKIP() << "DejaVu fonts are not installed";
    for (const char* name : {"DejaVuSans.ttf", "DejaVuSansMono.ttf", "DejaVuSerif.ttf"})
      place(name, std::string("fonts/") + name);
    refill();
  }
  static QStringList texts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << a->text() + (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString());
    menu->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return out;
  }
  static QString valueOf(DetailsWindow& window, const QString& key) {
    QWidget* w = window.findChild<QWidget*>(key);
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(w)) return box->toPlainText();
    return "(none)";
  }
  DetailsWindow* details(QWidget* owner) { return owner->findChild<DetailsWindow*>(); }
};

TEST_F(DetailsTest, BothGridsMenusOfferTheDetailsAndTheMainOneTheSearch) {
  const QStringList main = texts(openGridMenu(*form.MSFlexGrid1, 1));
  EXPECT_EQ(main.mid(3, 3), (QStringList{"Font Details\u2026 Ctrl+I", "Add to Comparison Ctrl+D", "Show Comparison"}));
  EXPECT_EQ(main.mid(8, 2), (QStringList{"Sample Text\u2026 Ctrl+T", "Samples in Each Font's Own Script"}));
  EXPECT_EQ(main.mid(11), (QStringList{"Search by Properties\u2026", "Clear Property Search"}));
  EXPECT_EQ(texts(openGridMenu(*form.MSFlexGrid1, -1)).size(), 6);  // below the rows: formats, sample, search
  form.PushButton2_Click();
  Form2& list = *form.form2();
  EXPECT_EQ(texts(openGridMenu(*list.MSFlexGrid1, 2)),
            (QStringList{"Font Details\u2026 Ctrl+I", "Add to Comparison Ctrl+D", "Show Comparison", "",
                         "Sample Text\u2026 Ctrl+T", "Samples in Each Font's Own Script"}));
  EXPECT_EQ(list.MSFlexGrid1->RowSel(), 2);  // the row clicked is the row it acts on
  EXPECT_EQ(openGridMenu(*list.MSFlexGrid1, -1), nullptr);  // nothing to offer: no menu
}

// Opened from either grid, the window shows the selected row's own file and moves with the
// selection; each fact is a value named by its label for screen readers.
TEST_F(DetailsTest, ShowsTheSelectedRowsFaceAndFollowsTheSelection) {
  const std::vector<RealFace> faces = realFaces();
  const auto fullName = [&](const QString& file) {
    for (const RealFace& f : faces)
      if (f.file.endsWith('/' + file)) return f.fullName;
    return QString();
  };
  form.show();
  form.MSFlexGrid1->setFocus();
  form.MSFlexGrid1->setRow(1);
  form.MSFlexGrid1_Click();
  QTest::keyClick(form.MSFlexGrid1, Qt::Key_I, Qt::ControlModifier);
  DetailsWindow* window = details(&form);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->path(), path("fonts/DejaVuSans.ttf"));  // "Sans Mono||" sorts before "Sans||"
  EXPECT_EQ(valueOf(*window, "fullName"), fullName("DejaVuSans.ttf"));
  ASSERT_FALSE(window->fields().isEmpty());
  for (const DetailField& field : window->fields()) {
    QWidget* value = window->findChild<QWidget*>(field.key);
    ASSERT_NE(value, nullptr) << field.key.toStdString();
    EXPECT_EQ(value->accessibleName(), field.label);
    EXPECT_EQ(valueOf(*window, field.key), field.value);
    EXPECT_TRUE(value->focusPolicy() & Qt::TabFocus);
  }
  QTest::keyClick(form.MSFlexGrid1, Qt::Key_Down);
  QCoreApplication::processEvents();  // the grid tells its view once the move is over
  EXPECT_EQ(window->path(), path("fonts/DejaVuSerif.ttf"));
  EXPECT_EQ(valueOf(*window, "fullName"), fullName("DejaVuSerif.ttf"));

  // The sample is drawn from that file, at the size picked.
  window->sampleSize->setValue(48);
  ASSERT_NE(window->sample->font(), nullptr);
  EXPECT_EQ(window->sample->font()->familyName(), "DejaVu Serif");
  EXPECT_DOUBLE_EQ(window->sample->font()->pixelSize(), 48 * window->sample->logicalDpiY() / 72.0);

  form.PushButton2_Click();  // the full-window list has a window of its own
  Form2& list = *form.form2();
  list.MSFlexGrid1->setRow(0);
  list.MSFlexGrid1_Click();
  QTest::keyClick(list.MSFlexGrid1, Qt::Key_I, Qt::ControlModifier);
  ASSERT_NE(details(&list), nullptr);
  EXPECT_EQ(details(&list)->path(), path("fonts/DejaVuSansMono.ttf"));
  list.close();
  EXPECT_FALSE(details(&list)->isVisible());
  form.Form_Unload();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(DetailsTest, CopiesEverythingAndOpensTheFolderOrSaysWhyNot) {
  form.showDetails();
  DetailsWindow& window = *details(&form);
  window.copyButton->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), detailsText(window.fields()));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(": DejaVu Serif\n")) << QGuiApplication::clipboard()->text().toStdString();
  window.folderButton->click();
  EXPECT_EQ(app.desktop.urls, QStringList{"file://" + QUrl::toPercentEncoding(path("fonts"), "/")});
  EXPECT_TRUE(app.prompts.boxes.empty());
  app.desktop.openUrlResult = false;
  window.folderButton->click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_TRUE(app.prompts.boxes[0].text.contains(path("fonts"))) << app.prompts.boxes[0].text.toStdString();
  EXPECT_EQ(app.prompts.boxes[0].icon, MsgIcon::Exclamation);
}

// The catalogue (and the full-window list) shows only the faces that hold the search, and all of
// them again once cleared.
TEST_F(DetailsTest, ASearchNarrowsTheCatalogueUntilCleared) {
  place("DejaVuSans-Bold.ttf", "fonts/DejaVuSans-Bold.ttf");
  QStringList bold;  // as fc-scan reads the files
  for (const RealFace& face : realFaces())
    if (face.bold && face.file.endsWith("/DejaVuSans-Bold.ttf")) bold << face.fullName;
  PropertyConditions conditions;
  conditions.bold = true;
  form.setPropertyConditions(conditions);
  EXPECT_EQ(gridNames(), bold);
  form.PushButton2_Click();  // Maximize: the full-window list shows the same faces
  ASSERT_TRUE(form.hasForm2());
  QStringList listed;
  for (int r = 0; r < form.form2()->MSFlexGrid1->Rows(); ++r) listed << form.form2()->MSFlexGrid1->TextMatrix(r, 1);
  EXPECT_EQ(listed, bold);
  form.clearPropertySearch();
  EXPECT_EQ(gridNames().size(), 4);
}

}  // namespace
